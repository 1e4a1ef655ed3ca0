// Readers on worker threads while a writer in another session changes every record per statement:
// each result shows the state before or after a whole statement, never a mixture.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "SqlFolderFixture.h"
#include "sql/QueryExecution.h"

namespace tabulon::testing {
namespace {

class ConcurrentReadTest : public SqlFolderFixture {
protected:
    static constexpr int kRounds = 20;

    void SetUp() override {
        SqlFolderFixture::SetUp();
        auto table =
            createTable("T.DB", {{"ID", ftInteger, 0, 0, false, ""}, {"QTY", ftInteger, 0, 0, false, ""}}, true);
        for (int id = 1; id <= 200; ++id) table->append({Value::integer(id), Value::integer(0)});
    }

    // Adds 1 to every record's QTY, one statement per round, in a session of its own.
    std::thread startWriter(std::atomic<bool>& writing) {
        return std::thread([this, &writing] {
            Session session("Writer");
            Connection& connection = connectionIn(session);
            for (int round = 0; round < kRounds; ++round) runWithoutRows("UPDATE T SET QTY = QTY + 1", &connection);
            writing = false;
        });
    }
};

TEST_F(ConcurrentReadTest, ReadersSeeWholeStatements) {
    std::atomic<bool> writing{true};
    std::thread writer = startWriter(writing);
    int reads = 0;
    while (writing || reads < 8) {
        std::vector<std::unique_ptr<QueryExecution>> readers;
        for (int i = 0; i < 8; ++i) {
            readers.push_back(
                std::make_unique<QueryExecution>(folder_.path(), "SELECT MIN(QTY), MAX(QTY), COUNT(*) FROM T", false));
        }
        for (auto& reader : readers) {
            reader->wait();
            ASSERT_EQ(reader->outcome(), "Query opened");
            Query& result = *reader->query();
            EXPECT_EQ(result.value(0), result.value(1)) << "a torn read";
            EXPECT_EQ(result.value(2).asInt(), 200);
            ++reads;
        }
    }
    writer.join();
}

// Readers that keep their connection (and so its opened tables) from one statement to the
// next: each sees the writes in order, never a stale or half-written table, and the last one.
TEST_F(ConcurrentReadTest, KeptConnectionsSeeEachCommittedStatement) {
    std::atomic<bool> writing{true};
    std::thread writer = startWriter(writing);
    std::vector<std::thread> readers;
    for (int i = 0; i < 8; ++i) {
        readers.emplace_back([&, i] {
            Session session("Reader" + std::to_string(i));
            Connection& connection = connectionIn(session);
            std::int64_t seen = 0;
            const auto read = [&] {
                Query query(connection);
                query.setSql("SELECT MIN(QTY), MAX(QTY), COUNT(*) FROM T WHERE ID > 0");
                query.open();
                EXPECT_EQ(query.value(0), query.value(1)) << "a torn read";
                EXPECT_EQ(query.value(2).asInt(), 200);
                EXPECT_GE(query.value(0).asInt(), seen) << "an older state after a newer one";
                seen = query.value(0).asInt();
            };
            while (writing) read();
            read();
            EXPECT_EQ(seen, kRounds) << "the last write was not seen";
        });
    }
    for (auto& reader : readers) reader.join();
    writer.join();
}

}  // namespace
}  // namespace tabulon::testing
