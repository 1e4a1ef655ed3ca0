// A child process applies a cache of mixed inserts, edits and deletes over two tables in one
// transaction and is killed at random instants; afterwards both tables verify and hold all of
// the changes or none. TABULON_LONG_TESTS=1 runs 200 kills, else 20.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>

#include "DatasetFixture.h"
#include "io/Transaction.h"
#include "support/FileRecordDriver.h"

namespace tabulon::testing {
namespace {

constexpr int kRecords = 300;

const FileRecordDriver& fileDriver() {
    static const FileRecordDriver driver;
    return driver;
}

void createTable(const std::filesystem::path& path) {
    auto table = fileDriver().create(path, {{"ID", ftInteger, 0, 0, false, ""}, {"N", ftInteger, 0, 0, false, ""}}, {}, {});
    Transaction transaction(path.string() + Transaction::kJournalExtension);
    table->setTransaction(&transaction);
    for (int i = 0; i < kRecords; ++i) table->append({Value::integer(i), Value::integer(i)});
    transaction.commit();
}

// Every third record edited, every seventh deleted, forty inserted.
void applyMixedChanges(const std::filesystem::path& folder) {
    Session session("Crash");
    Connection& connection = session.addConnection("C");
    connection.setParams(folderParams(folder));
    connection.connect();
    std::vector<std::unique_ptr<Table>> tables;
    for (const char* name : {"A.REC", "B.REC"}) {
        auto table = std::make_unique<Table>(connection);
        table->setTableName(name);
        table->setDriver(&fileDriver());
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
                table->fieldByName("F1").setValue(Value::integer(100000 + position));
                table->post();
            }
        }
        for (int i = 0; i < 40; ++i) {
            table->append();
            table->fieldByName("F0").setValue(Value::integer(kRecords + i));
            table->fieldByName("F1").setValue(Value::integer(-i));
            table->post();
        }
        tables.push_back(std::move(table));
    }
    connection.startTransaction();
    for (auto& table : tables) table->applyUpdates();
    connection.commit();
}

// The sum of N over live records and their count: the whole state in two numbers.
std::pair<std::int64_t, std::uint64_t> fingerprint(const std::filesystem::path& path) {
    OpenOptions options;
    options.access = AccessMode::ReadWrite;
    auto table = fileDriver().open(path, options);
    std::int64_t sum = 0;
    Record record;
    for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot)
        if (table->readSlot(slot, record)) sum += record[1].asInt();
    return {sum, table->recordCount()};
}

class CrashTest : public ::testing::Test {
protected:
    void reset() {
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) std::filesystem::remove(entry.path());
        createTable(folder_ / "A.REC");
        createTable(folder_ / "B.REC");
    }
    TempFolder folder_;
};

TEST_F(CrashTest, KilledApplyLeavesBothTablesAsBeforeOrAsAfter) {
    reset();
    const auto before = fingerprint(folder_ / "A.REC");
    const auto start = std::chrono::steady_clock::now();
    applyMixedChanges(folder_.path());
    const auto duration = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    const auto after = fingerprint(folder_ / "A.REC");
    ASSERT_NE(before, after);
    ASSERT_EQ(fingerprint(folder_ / "B.REC"), after);

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
                applyMixedChanges(folder_.path());
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
        const auto a = fingerprint(folder_ / "A.REC");  // opening recovers the journal
        const auto b = fingerprint(folder_ / "B.REC");
        ASSERT_EQ(a, b) << "run " << run << ": the two tables disagree";
        ASSERT_TRUE(a == before || a == after) << "run " << run << ": a partial state";
        (a == before ? sawBefore : sawAfter)++;
    }
    RecordProperty("kills_before", sawBefore);
    RecordProperty("kills_after", sawAfter);
    EXPECT_GT(sawBefore + sawAfter, 0);
}

}  // namespace
}  // namespace tabulon::testing
