// Readers on worker threads while a writer in another session changes every record per statement:
// each result shows the state before or after a whole statement, never a mixture.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "SqlFolderFixture.h"
#include "core/EngineError.h"
#include "sql/Query.h"
#include "sql/QueryExecution.h"
#include "storage/Drivers.h"

namespace tabulon::testing {
namespace {

class ConcurrentReadTest : public SqlFolderFixture {};

TEST_F(ConcurrentReadTest, ReadersSeeWholeStatements) {
    IndexDef primary;
    primary.fields = "ID";
    primary.options = ixPrimary | ixUnique;
    auto table = driverForPath(folder_ / "T.DB")
                     .create(folder_ / "T.DB", {{"ID", ftInteger, 0, 0, false, ""}, {"QTY", ftInteger, 0, 0, false, ""}},
                             {primary}, {});
    for (int id = 1; id <= 200; ++id) table->append({Value::integer(id), Value::integer(0)});
    table.reset();

    std::atomic<bool> writing{true};
    std::thread writer([&] {
        Session session("Writer");
        Connection& connection = session.addConnection("Folder");
        connection.setParams({"PATH=" + folder_.path().string(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
        for (int round = 0; round < 20; ++round) {
            Query update(connection);
            update.setSql("UPDATE T SET QTY = QTY + 1");
            try {
                update.open();
                ADD_FAILURE() << "the update gave rows";
            } catch (const EngineError& e) {
                EXPECT_EQ(e.kind(), errkind::kNoResultSet) << e.formatted();
            }
        }
        writing = false;
    });
    int reads = 0;
    while (writing || reads < 8) {
        std::vector<std::unique_ptr<QueryExecution>> readers;
        for (int i = 0; i < 8; ++i) {
            readers.push_back(std::make_unique<QueryExecution>(folder_.path(),
                                                               "SELECT MIN(QTY), MAX(QTY), COUNT(*) FROM T", false));
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

}  // namespace
}  // namespace tabulon::testing
