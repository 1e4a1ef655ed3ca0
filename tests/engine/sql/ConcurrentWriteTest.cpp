// A long INSERT ... SELECT in one session while another session inserts single records, on a
// Paradox and a dBase table: every statement that reports success has its records there.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "SqlFolderFixture.h"

namespace tabulon::testing {
namespace {

constexpr int kSourceRecords = 20'000;
constexpr int kSingles = 5;

class ConcurrentWriteTest : public SqlFolderFixture, public ::testing::WithParamInterface<const char*> {
protected:
    // Runs a statement that gives no rows in a session of its own.
    void executeAlone(const std::string& sql) {
        Session session("Writer");
        runWithoutRows(sql, &connectionIn(session));
    }

    std::string count(const std::string& where) {
        return rows("SELECT COUNT(*) FROM \"" + table_ + "\" WHERE " + where);
    }

    std::string table_ = std::string("T") + GetParam();
};

TEST_P(ConcurrentWriteTest, SingleInsertsDuringALongInsertAreKept) {
    const std::string fields = " (ID INTEGER, NAME CHAR(20))";
    const std::string source = std::string("\"SRC") + GetParam() + "\"";
    executeAlone("CREATE TABLE \"" + table_ + "\"" + fields);
    executeAlone("CREATE TABLE " + source + fields);
    executeAlone("INSERT INTO " + source +
                 " WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < " +
                 std::to_string(kSourceRecords) + ") SELECT i, 'copied' FROM c");
    std::atomic<bool> started{false};
    std::thread longInsert([&] {
        started = true;
        executeAlone("INSERT INTO \"" + table_ + "\" SELECT * FROM " + source);
    });
    while (!started) std::this_thread::yield();
    for (int i = 1; i <= kSingles; ++i)
        executeAlone("INSERT INTO \"" + table_ + "\" VALUES (" + std::to_string(1'000'000 + i) + ", 'single')");
    longInsert.join();
    EXPECT_EQ(count("NAME = 'copied'"), std::to_string(kSourceRecords) + "\n");
    EXPECT_EQ(count("NAME = 'single' AND ID > 1000000"), std::to_string(kSingles) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Formats, ConcurrentWriteTest, ::testing::Values(".DB", ".DBF"),
                         [](const auto& info) { return std::string(info.param + 1); });

}  // namespace
}  // namespace tabulon::testing
