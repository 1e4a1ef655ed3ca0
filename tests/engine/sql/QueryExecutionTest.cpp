// Statements on worker threads: names from the process-wide counter, outcomes, cancel, shutdown.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "SqlFolderFixture.h"
#include "sql/QueryCounter.h"
#include "sql/QueryExecution.h"

namespace tabulon::testing {
namespace {

constexpr const char* kEndless =
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT COUNT(*) FROM n";

struct NameCase {
    unsigned number;
    const char* session;
};

class NumberedNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NumberedNameTest, HexadecimalInCapitals) {
    EXPECT_EQ(numberedName("Session", GetParam().number), GetParam().session);
}

INSTANTIATE_TEST_SUITE_P(Numbers, NumberedNameTest,
                         ::testing::Values(NameCase{1, "Session1"}, NameCase{9, "Session9"}, NameCase{10, "SessionA"},
                                           NameCase{17, "Session11"}, NameCase{255, "SessionFF"}));

TEST(QueryCounterTest, NumbersAreUniqueAcrossThreads) {
    std::vector<unsigned> seen(8 * 1000);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 1000; ++i) seen[t * 1000 + i] = nextQueryNumber();
        });
    }
    for (auto& thread : threads) thread.join();
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
    EXPECT_EQ(seen.back() - seen.front(), seen.size() - 1);
}

class QueryExecutionTest : public SqlFolderFixture {};

TEST_F(QueryExecutionTest, ConsecutiveExecutionsGetConsecutiveNames) {
    QueryExecution first(folder_.path(), "SELECT NAME FROM PEOPLE", false);
    first.wait();
    QueryExecution second(folder_.path(), "SELECT NAME FROM PEOPLE", false);
    second.wait();
    const std::string number = first.sessionName().substr(std::string("Session").size());
    EXPECT_EQ(first.databaseName(), "Database" + number);
    EXPECT_EQ(std::stoul(second.sessionName().substr(7), nullptr, 16), std::stoul(number, nullptr, 16) + 1);
    EXPECT_EQ(first.outcome(), "Query opened");
    ASSERT_NE(first.query(), nullptr);
    EXPECT_EQ(first.query()->recordCount(), 4u);
}

struct OutcomeCase {
    const char* sql;
    const char* outcome;
    const char* subfolder;  // of the fixture's folder; "" for the folder itself
};

class QueryOutcomeTest : public QueryExecutionTest, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(QueryOutcomeTest, OutcomeIsKindAndMessage) {
    const std::string subfolder = GetParam().subfolder;
    QueryExecution execution(subfolder.empty() ? folder_.path() : folder_ / subfolder, GetParam().sql, false);
    execution.wait();
    EXPECT_TRUE(execution.finished());
    EXPECT_EQ(execution.outcome().rfind(GetParam().outcome, 0), 0u) << execution.outcome();
}

INSTANTIATE_TEST_SUITE_P(
    Statements, QueryOutcomeTest,
    ::testing::Values(OutcomeCase{"SELECT 1", "Query opened", ""},
                      OutcomeCase{"CREATE TEMP TABLE t(x)", "ENoResultSet: Error creating cursor handle.", ""},
                      OutcomeCase{"SELECT * FROM GONE", "EFileError: Table \"GONE\" not found in ", ""},
                      OutcomeCase{"SELECT 1", "EFileError: ", "nope"}));

TEST_F(QueryExecutionTest, EightQueriesRunAtOnceAndReportWhenDone) {
    std::atomic<int> done{0};
    std::vector<std::unique_ptr<QueryExecution>> executions;
    for (int i = 0; i < 8; ++i) {
        executions.push_back(std::make_unique<QueryExecution>(folder_.path(),
                                                              "SELECT CITY, COUNT(*) FROM PEOPLE GROUP BY CITY", false,
                                                              [&](QueryExecution&) { ++done; }));
    }
    for (auto& execution : executions) {
        execution->wait();
        EXPECT_EQ(execution->outcome(), "Query opened");
        EXPECT_EQ(execution->query()->recordCount(), 3u);
    }
    EXPECT_EQ(done.load(), 8);
}

TEST_F(QueryExecutionTest, CancelEndsARunningStatement) {
    QueryExecution execution(folder_.path(), kEndless, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    execution.cancel();
    execution.wait();
    EXPECT_EQ(execution.outcome(), "EUsageError: Query cancelled.");
}

TEST_F(QueryExecutionTest, DestroyingRunningExecutionsCancelsAndJoinsThem) {
    std::atomic<int> ended{0};
    {
        std::vector<std::unique_ptr<QueryExecution>> running;
        for (int i = 0; i < 3; ++i) {
            running.push_back(
                std::make_unique<QueryExecution>(folder_.path(), kEndless, false, [&](QueryExecution&) { ++ended; }));
        }
    }
    EXPECT_EQ(ended.load(), 3);
}

}  // namespace
}  // namespace tabulon::testing
