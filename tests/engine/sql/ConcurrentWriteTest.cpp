// A long INSERT ... SELECT in one session while another session inserts single records, on a
// Paradox and a dBase table: every statement that reports success has its records there.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "SqlFolderFixture.h"
#include "core/EngineError.h"
#include "sql/Query.h"

namespace tabulon::testing {
namespace {

constexpr int kSourceRecords = 20'000;
constexpr int kSingles = 5;

class ConcurrentWriteTest : public SqlFolderFixture,
                            public ::testing::WithParamInterface<const char*> {
  protected:
    // Runs a statement that gives no rows in a session of its own.
    static void execute(const std::vector<std::string>& params, const std::string& sql) {
        Session session("Writer");
        Connection& connection = session.addConnection("Folder");
        connection.setParams(params);
        Query query(connection);
        query.setSql(sql);
        try {
            query.open();
            ADD_FAILURE() << sql << " gave rows";
        } catch (const EngineError& e) {
            if (e.kind() != errkind::kNoResultSet) throw;
        }
    }

    std::int64_t count(const std::string& where) {
        Query query(*connection_);
        query.setSql("SELECT COUNT(*) FROM \"" + table_ + "\" WHERE " + where);
        query.open();
        return query.value(0).asInt();
    }

    std::string table_ = std::string("T") + GetParam();
};

TEST_P(ConcurrentWriteTest, SingleInsertsDuringALongInsertAreKept) {
    const std::string fields = " (ID INTEGER, NAME CHAR(20))";
    execute(connection_->params(), "CREATE TABLE \"" + table_ + "\"" + fields);
    execute(connection_->params(), std::string("CREATE TABLE \"SRC") + GetParam() + "\"" + fields);
    execute(connection_->params(),
            std::string("INSERT INTO \"SRC") + GetParam() +
                "\" WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < " +
                std::to_string(kSourceRecords) + ") SELECT i, 'copied' FROM c");
    std::atomic<bool> started{false};
    std::string longInsertFailure;
    std::thread longInsert([&] {
        started = true;
        try {
            execute(connection_->params(),
                    "INSERT INTO \"" + table_ + "\" SELECT * FROM \"SRC" + GetParam() + "\"");
        } catch (const EngineError& e) {
            longInsertFailure = e.formatted();
        }
    });
    while (!started) std::this_thread::yield();
    for (int i = 1; i <= kSingles; ++i)
        execute(connection_->params(), "INSERT INTO \"" + table_ + "\" VALUES (" +
                                           std::to_string(1'000'000 + i) + ", 'single')");
    longInsert.join();
    EXPECT_EQ(longInsertFailure, "");
    EXPECT_EQ(count("NAME = 'copied'"), kSourceRecords);
    EXPECT_EQ(count("NAME = 'single' AND ID > 1000000"), kSingles);
}

INSTANTIATE_TEST_SUITE_P(Formats, ConcurrentWriteTest, ::testing::Values(".DB", ".DBF"),
                         [](const auto& info) { return std::string(info.param + 1); });

}  // namespace
}  // namespace tabulon::testing
