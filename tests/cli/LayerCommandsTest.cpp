// dump with filters and find with key values, through the dataset layer.
#include <gtest/gtest.h>

#include <fstream>

#include "Arguments.h"
#include "CliRunner.h"
#include "Commands.h"
#include "core/EngineError.h"
#include "support/MemoryDriver.h"
#include "support/TempFolder.h"

namespace tabulon::testing {
namespace {

class LayerCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(folder_ / "people.txt") << "ID,NAME,CITY\n1,Smith,Rome\n2,smithers,Oslo\n3,Brown,rome\n";
        const std::vector<FieldDef> fields = {{"ID", ftInteger, 0, 0, true, ""}, {"NAME", ftString, 20, 0, false, ""}};
        auto table = driver_.create(folder_ / "keyed.mem", fields,
                                    {IndexDef{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""},
                                     IndexDef{"BYNAME", "NAME", "", "", ixCaseInsensitive, "", true, ""}},
                                    {});
        for (int id : {1, 2, 3})
            table->append(
                {Value::integer(id), Value::string(std::string(1, static_cast<char>('a' + 3 - id)) + "name")});
    }

    static std::string withoutHeader(const std::string& output) { return output.substr(output.find('\n') + 1); }
    std::string dump(const std::vector<std::string>& words) { return withoutHeader(printedBy(cli::runDump, words)); }
    std::string find(const std::vector<std::string>& words) {
        return withoutHeader(printedBy(cli::runFind, words, &driver_));
    }

    TempFolder folder_;
    MemoryDriver driver_;
};

TEST_F(LayerCommandsTest, DumpHonoursTheFilterAndItsOptions) {
    const std::string table = (folder_ / "people.txt").string();
    EXPECT_EQ(dump({table, "--filter", "CITY = 'Rome'"}), "[1,\"Smith\",\"Rome\"]\n");
    EXPECT_EQ(dump({table, "--filter", "CITY = 'rome'", "--case-insensitive"}),
              "[1,\"Smith\",\"Rome\"]\n[3,\"Brown\",\"rome\"]\n");
    EXPECT_EQ(dump({table, "--filter", "NAME = 'Smith*'"}), "[1,\"Smith\",\"Rome\"]\n");
    EXPECT_EQ(dump({table, "--filter", "NAME = 'Smith*'", "--no-partial-compare"}), "");
    EXPECT_EQ(dump({table, "--limit", "1"}), "[1,\"Smith\",\"Rome\"]\n");
}

TEST_F(LayerCommandsTest, DumpRefusesAFilterItCannotParse) {
    try {
        dump({(folder_ / "people.txt").string(), "--filter", "CITY = 'Rome' AND"});
        FAIL() << "dumped";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kValue);
        EXPECT_NE(e.message().find("a condition after AND expected"), std::string::npos) << e.message();
    }
}

TEST_F(LayerCommandsTest, FindPrintsTheNearestRecord) {
    const std::string table = (folder_ / "keyed.mem").string();
    EXPECT_EQ(find({table, "--index", "BYNAME", "B"}), "[2,\"bname\"]\n");
    EXPECT_EQ(find({table, "--index", "byname", "CNAME"}), "[1,\"cname\"]\n");
    EXPECT_EQ(find({table, "--index", "", "2"}), "[2,\"bname\"]\n");
    EXPECT_EQ(find({table, "--index", "BYNAME", "zzz"}), "[1,\"cname\"]\n");  // at the end
    EXPECT_EQ(find({table, "--index", "", "2", "--format", "csv"}), "2,bname\r\n");
}

TEST_F(LayerCommandsTest, FindRefusesBadUse) {
    const std::string table = (folder_ / "keyed.mem").string();
    EXPECT_THROW(find({table, "B"}), cli::UsageError);
    EXPECT_THROW(find({table, "--index", "BYNAME", "a", "b"}), cli::UsageError);
    EXPECT_THROW(find({table, "--index", "NOPE", "a"}), EngineError);
    EXPECT_THROW(find({table, "--index", "", "two"}), EngineError);
}

}  // namespace
}  // namespace tabulon::testing
