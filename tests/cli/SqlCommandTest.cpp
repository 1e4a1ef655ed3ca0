// tabulon-cli sql: rows in the dump forms, the outcome of statements without rows, errors.
#include <gtest/gtest.h>

#include <fstream>

#include "Arguments.h"
#include "CliRunner.h"
#include "Commands.h"
#include "core/EngineError.h"
#include "support/TempFolder.h"

namespace tabulon::testing {
namespace {

class SqlCommandTest : public ::testing::Test {
protected:
    void SetUp() override { std::ofstream(folder_ / "People.txt") << "ID,NAME\n1,Ann\n2,Bob\n"; }

    std::string run(const std::vector<std::string>& words) { return printedBy(cli::runSql, words); }

    TempFolder folder_;
};

TEST_F(SqlCommandTest, PrintsRowsAsJsonLinesOrCsv) {
    const std::string folder = folder_.path().string();
    const std::string jsonl = run({folder, "SELECT ID, NAME FROM PEOPLE WHERE ID = 2"});
    EXPECT_EQ(jsonl.substr(jsonl.find('\n') + 1), "[2,\"Bob\"]\n");
    EXPECT_EQ(run({folder, "SELECT NAME FROM PEOPLE ORDER BY NAME DESC", "--format", "csv"}), "NAME\r\nBob\r\nAnn\r\n");
}

TEST_F(SqlCommandTest, StatementsWithoutRowsPrintTheirOutcome) {
    EXPECT_EQ(run({folder_.path().string(), "CREATE TEMP TABLE t(x)"}), "Query executed! No data to visualize.\n");
}

TEST_F(SqlCommandTest, ErrorsAndUsage) {
    try {
        run({folder_.path().string(), "SELECT * FROM NOWHERE"});
        FAIL() << "ran";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kFile);
    }
    EXPECT_THROW(run({folder_.path().string()}), cli::UsageError);
    EXPECT_THROW(run({folder_.path().string(), "SELECT 1", "--format", "xml"}), cli::UsageError);
}

}  // namespace
}  // namespace tabulon::testing
