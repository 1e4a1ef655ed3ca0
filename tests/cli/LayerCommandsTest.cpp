// dump with filters and find with key values, through the dataset layer.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Arguments.h"
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
        std::vector<IndexDef> indexes(2);
        indexes[0] = IndexDef{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""};
        indexes[1] = IndexDef{"BYNAME", "NAME", "", "", ixCaseInsensitive, "", true, ""};
        auto table = driver_.create(folder_ / "keyed.mem", fields, indexes, {});
        for (int id : {1, 2, 3})
            table->append({Value::integer(id), Value::string(std::string(1, static_cast<char>('a' + 3 - id)) + "name")});
    }

    std::string run(void (*command)(const std::vector<std::string>&, std::ostream&), std::vector<std::string> words) {
        std::ostringstream out;
        command(words, out);
        return out.str();
    }

    std::string find(std::vector<std::string> words) {
        std::ostringstream out;
        cli::runFind(words, out, &driver_);
        return out.str();
    }

    static std::string withoutHeader(const std::string& output) { return output.substr(output.find('\n') + 1); }

    TempFolder folder_;
    MemoryDriver driver_;
};

TEST_F(LayerCommandsTest, DumpHonoursTheFilterAndItsOptions) {
    const std::string table = (folder_ / "people.txt").string();
    EXPECT_EQ(withoutHeader(run(cli::runDump, {table, "--filter", "CITY = 'Rome'"})), "[1,\"Smith\",\"Rome\"]\n");
    EXPECT_EQ(withoutHeader(run(cli::runDump, {table, "--filter", "CITY = 'rome'", "--case-insensitive"})),
              "[1,\"Smith\",\"Rome\"]\n[3,\"Brown\",\"rome\"]\n");
    EXPECT_EQ(withoutHeader(run(cli::runDump, {table, "--filter", "NAME = 'Smith*'"})), "[1,\"Smith\",\"Rome\"]\n");
    EXPECT_EQ(withoutHeader(run(cli::runDump, {table, "--filter", "NAME = 'Smith*'", "--no-partial-compare"})), "");
    EXPECT_EQ(withoutHeader(run(cli::runDump, {table, "--limit", "1"})), "[1,\"Smith\",\"Rome\"]\n");
}

TEST_F(LayerCommandsTest, DumpRefusesAFilterItCannotParse) {
    try {
        run(cli::runDump, {(folder_ / "people.txt").string(), "--filter", "CITY = 'Rome' AND"});
        FAIL() << "dumped";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kValue);
        EXPECT_NE(e.message().find("a condition after AND expected"), std::string::npos) << e.message();
    }
}

TEST_F(LayerCommandsTest, FindPrintsTheNearestRecord) {
    const std::string table = (folder_ / "keyed.mem").string();
    EXPECT_EQ(withoutHeader(find({table, "--index", "BYNAME", "B"})), "[2,\"bname\"]\n");
    EXPECT_EQ(withoutHeader(find({table, "--index", "byname", "CNAME"})), "[1,\"cname\"]\n");
    EXPECT_EQ(withoutHeader(find({table, "--index", "", "2"})), "[2,\"bname\"]\n");
    EXPECT_EQ(withoutHeader(find({table, "--index", "BYNAME", "zzz"})), "[1,\"cname\"]\n");  // at the end
    EXPECT_EQ(withoutHeader(find({table, "--index", "", "2", "--format", "csv"})), "2,bname\r\n");
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
