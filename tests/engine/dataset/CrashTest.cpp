// A child process applies a cache of mixed inserts, edits and deletes over two tables in one
// transaction and is killed at random instants; afterwards both tables verify and hold all of
// the changes or none. Two pairs: the test record format, and a keyed Paradox table with a
// secondary index beside a dBase table with a production index. TABULON_LONG_TESTS=1 runs 200
// kills per pair, else 20.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <random>
#include <stdexcept>

#include "DatasetFixture.h"
#include "io/Transaction.h"
#include "storage/Drivers.h"
#include "support/FileRecordDriver.h"

namespace tabulon::testing {
namespace {

constexpr int kRecords = 300;

const FileRecordDriver& fileDriver() {
    static const FileRecordDriver driver;
    return driver;
}

bool isRecordFile(const std::filesystem::path& path) { return path.extension() == ".REC"; }

const StorageDriver& driverOf(const std::filesystem::path& path) {
    return isRecordFile(path) ? fileDriver() : driverForPath(path);
}

// ID and N; in the real formats indexed on both (N by a secondary index or tag).
void createTable(const std::filesystem::path& path) {
    std::vector<IndexDef> indexes;
    if (!isRecordFile(path)) {
        const bool paradox = tableTypeForPath(path) == ttParadox;
        indexes.push_back({paradox ? "" : "ID", "ID", "", "", ixPrimary | ixUnique, "", true, ""});
        indexes.push_back({"BYN", "N", "", "", 0, "", true, ""});
    }
    auto table = driverOf(path).create(path, {{"ID", ftInteger, 9, 0, false, "N"}, {"N", ftInteger, 9, 0, false, "N"}},
                                       indexes, {});
    Transaction transaction(path.string() + Transaction::kJournalExtension);
    table->setTransaction(&transaction);
    for (int i = 0; i < kRecords; ++i) table->append({Value::integer(i), Value::integer(i)});
    transaction.commit();
}

// Every third record edited, every seventh deleted, forty inserted.
void applyMixedChanges(const std::filesystem::path& folder, const std::vector<std::string>& names) {
    Session session("Crash");
    Connection& connection = session.addConnection("C");
    connection.setParams(folderParams(folder));
    connection.connect();
    std::vector<std::unique_ptr<Table>> tables;
    for (const std::string& name : names) {
        auto table = std::make_unique<Table>(connection);
        table->setTableName(name);
        if (isRecordFile(name)) table->setDriver(&fileDriver());
        table->setCachedUpdates(true);
        table->open();
        int position = 0;
        for (table->first(); !table->eof(); table->next(), ++position) {
            if (position % 7 == 0) {
                table->remove();
                table->prior();
                continue;
            }
            if (position % 3 == 0) {
                table->edit();
                table->field(1).setValue(Value::integer(100000 + position));
                table->post();
            }
        }
        for (int i = 0; i < 40; ++i) {
            table->append();
            table->field(0).setValue(Value::integer(kRecords + i));
            table->field(1).setValue(Value::integer(-i));
            table->post();
        }
        tables.push_back(std::move(table));
    }
    connection.startTransaction();
    for (auto& table : tables) table->applyUpdates();
    connection.commit();
}

// The sum of N over live records and their count: the whole state in two numbers. Opening
// recovers an interrupted commit from its journal; the strict open then refuses any damage,
// and every index must lead to the same records as the table holds.
std::pair<std::int64_t, std::uint64_t> fingerprint(const std::filesystem::path& path) {
    OpenOptions options;
    options.access = AccessMode::ReadWrite;
    auto table = driverOf(path).open(path, options);
    options.access = AccessMode::ReadOnly;
    options.tolerant = false;
    table = driverOf(path).open(path, options);
    std::int64_t sum = 0;
    Record record;
    for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot)
        if (table->readSlot(slot, record)) sum += record[1].asInt();
    for (const IndexDef& index : table->indexes()) {
        auto cursor = table->openIndex(index.name);
        std::int64_t indexedSum = 0;
        std::uint64_t entries = 0;
        for (bool more = cursor->first(); more; more = cursor->next(), ++entries) {
            table->readRecord(cursor->recordId(), record);
            indexedSum += record[1].asInt();
        }
        EXPECT_EQ(entries, table->recordCount()) << path.filename() << " index " << index.name;
        EXPECT_EQ(indexedSum, sum) << path.filename() << " index " << index.name;
    }
    return {sum, table->recordCount()};
}

// The two table names of each run.
class CrashTest : public ::testing::TestWithParam<std::vector<std::string>> {
protected:
    void reset() {
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
            std::filesystem::remove(entry.path());
        for (const std::string& name : GetParam()) createTable(folder_ / name);
    }
    std::filesystem::path first() const { return folder_ / GetParam()[0]; }
    std::filesystem::path second() const { return folder_ / GetParam()[1]; }
    TempFolder folder_;
};

TEST_P(CrashTest, KilledApplyLeavesBothTablesAsBeforeOrAsAfter) {
    reset();
    const auto before = fingerprint(first());
    const auto start = std::chrono::steady_clock::now();
    applyMixedChanges(folder_.path(), GetParam());
    const auto duration =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    const auto after = fingerprint(first());
    ASSERT_NE(before, after);
    ASSERT_EQ(fingerprint(second()), after);

    const int runs = longTests() ? 200 : 20;
    std::mt19937 random(12345);
    std::uniform_int_distribution<long> delay(0, std::max<long>(1, duration.count() * 3 / 2));
    int sawBefore = 0, sawAfter = 0;
    for (int run = 0; run < runs; ++run) {
        reset();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                applyMixedChanges(folder_.path(), GetParam());
            } catch (...) {
                ::_exit(3);
            }
            ::_exit(0);
        }
        ::usleep(static_cast<useconds_t>(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << "the child failed on its own";
        const auto a = fingerprint(first());
        const auto b = fingerprint(second());
        ASSERT_EQ(a, b) << "run " << run << ": the two tables disagree";
        ASSERT_TRUE(a == before || a == after) << "run " << run << ": a partial state";
        (a == before ? sawBefore : sawAfter)++;
    }
    RecordProperty("kills_before", sawBefore);
    RecordProperty("kills_after", sawAfter);
    EXPECT_GT(sawBefore + sawAfter, 0);
}

// Another program changes a table while a transaction holds writes to it, so the rollback cannot
// re-read it. An error unwinding through the transaction's owners then must not end the process,
// and the writes never reach the disk.
TEST(UnwindingRollback, AFailingRollbackDuringAnErrorDoesNotEndTheProcess) {
    TempFolder folder;
    const auto path = folder / "A.REC";
    const auto damage = [&] { std::ofstream(path, std::ios::binary | std::ios::app) << "xyz"; };
    const std::vector<std::function<void()>> writers = {
        [&] {  // a dataset table in its connection's transaction
            Session session("Unwinding");
            Connection& connection = session.addConnection("C");
            connection.setParams(folderParams(folder.path()));
            connection.connect();
            Table table(connection);
            table.setTableName("A.REC");
            table.setDriver(&fileDriver());
            table.open();
            connection.startTransaction();
            table.append();
            table.field(0).setValue(Value::integer(-1));
            table.post();
            damage();
            throw std::runtime_error("the caller's own error");
        },
        [&] {  // a storage table in a transaction of its own
            OpenOptions writable;
            writable.access = AccessMode::ReadWrite;
            auto table = fileDriver().open(path, writable);
            Transaction transaction(Transaction::newJournalPath(folder.path()));
            table->setTransaction(&transaction);
            table->append({Value::integer(-1), Value::integer(-1)});
            damage();
            throw std::runtime_error("the caller's own error");
        }};
    for (std::size_t w = 0; w < writers.size(); ++w) {
        createTable(path);
        const auto before = fingerprint(path);
        const std::uintmax_t size = std::filesystem::file_size(path);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                writers[w]();
            } catch (const std::runtime_error&) {
                ::_exit(0);
            }
            ::_exit(1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << "writer " << w << " ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0) << "writer " << w;
        std::filesystem::resize_file(path, size);  // the other program's bytes taken away again
        EXPECT_EQ(fingerprint(path), before) << "writer " << w;
        std::filesystem::remove(path);
    }
}

INSTANTIATE_TEST_SUITE_P(Pairs, CrashTest,
                         ::testing::Values(std::vector<std::string>{"A.REC", "B.REC"},
                                           std::vector<std::string>{"A.DB", "B.DBF"}),
                         [](const auto& info) { return info.param[0].substr(2) + "_" + info.param[1].substr(2); });

}  // namespace
}  // namespace tabulon::testing
