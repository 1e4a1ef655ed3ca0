// verify and rebuild from the command line: exit statuses and printed lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "CliRunner.h"
#include "io/Transaction.h"
#include "storage/Drivers.h"
#include "support/TempFolder.h"

namespace tabulon::testing {
namespace {

class VerifyCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_DATA_HOME", (folder_ / "home").c_str(), 1);
        auto table = driverFor(ttParadox).create(
            path(), {{"ID", ftInteger, 0, 0, true, ""}, {"NAME", ftString, 10, 0, false, ""}},
            {{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""}}, {});
        Transaction transaction(Transaction::newJournalPath(folder_.path()));
        table->setTransaction(&transaction);
        for (int id = 1; id <= 500; ++id) table->append({Value::integer(id), Value::string("n" + std::to_string(id))});
        transaction.commit();
        table->setTransaction(nullptr);
    }

    std::filesystem::path path() const { return folder_ / "ITEMS.DB"; }
    // The header's record count, 0x06, made larger.
    void miscount() const {
        std::fstream file(path(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(9);
        file.put(1);
    }

    TempFolder folder_;
};

TEST_F(VerifyCliTest, ExitStatusSaysWhetherProblemsWereFound) {
    struct Case {
        bool damage;
        std::string table;
        int status;
        std::string firstLine;
    };
    for (const Case& c :
         {Case{false, "ITEMS.DB", 0, "{\"level\":0,\"records\":500}"},
          Case{true, "ITEMS.DB", 3, "{\"level\":1,\"records\":500}"}, Case{false, "NONE.DB", 2, "EFileError"}}) {
        if (c.damage) miscount();
        const Outcome outcome = runCli("verify " + (folder_ / c.table).string());
        EXPECT_EQ(outcome.status, c.status) << outcome.output;
        EXPECT_EQ(outcome.output.rfind(c.firstLine, 0), 0U) << outcome.output;
    }
}

TEST_F(VerifyCliTest, RebuildPrintsWhatItSalvagedAndTheTableIsSoundAfter) {
    miscount();
    const Outcome rebuilt = runCli("rebuild " + path().string());
    EXPECT_EQ(rebuilt.status, 0) << rebuilt.output;
    EXPECT_EQ(rebuilt.output, "{\"salvaged\":500,\"keyViolations\":0,\"problems\":0,\"lost\":0}\n");
    EXPECT_EQ(runCli("verify " + path().string()).status, 0);
    EXPECT_TRUE(std::filesystem::exists(folder_ / "Backup.DB"));
}

TEST_F(VerifyCliTest, IndexFilesNamedAreCheckedAndThoseThatCannotBeRebuiltListed) {
    const std::filesystem::path dbf = folder_ / "ITEMS.DBF";
    driverFor(ttDBase).create(dbf, {{"NAME", ftString, 10, 0, false, ""}}, {}, {})->append({Value::string("a")});
    std::ofstream(folder_ / "JUNK.NDX") << std::string(600, 'x');
    const std::string indexes = " --index JUNK.NDX --index NONE.NDX";
    const Outcome verified = runCli("verify " + dbf.string() + indexes);
    EXPECT_EQ(verified.status, 3) << verified.output;
    for (const char* file : {"{\"file\":\"JUNK.NDX\"", "{\"file\":\"NONE.NDX\""})
        EXPECT_NE(verified.output.find(file), std::string::npos) << verified.output;
    const Outcome rebuilt = runCli("rebuild " + dbf.string() + indexes);
    EXPECT_EQ(rebuilt.output,
              "{\"salvaged\":1,\"keyViolations\":0,\"problems\":0,\"lost\":0,"
              "\"indexFilesNotRebuilt\":[\"JUNK.NDX\",\"NONE.NDX\"]}\n");
}

}  // namespace
}  // namespace tabulon::testing
