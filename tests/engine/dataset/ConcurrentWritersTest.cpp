// Writers of one table take turns: several processes, or several sessions of one process,
// inserting, updating and deleting their own records at random moments lose nothing, duplicate
// nothing, and leave every index agreeing with the records; a writer kept waiting too long is
// refused and changes nothing.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "core/EngineError.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "io/Transaction.h"
#include "storage/Drivers.h"
#include "support/TempFolder.h"
#include "support/WriterTables.h"

namespace tabulon::testing {
namespace {

// The note of a record follows from its ID and VAL, and is long enough to live in the memo
// file, so its free space is shared by the writers too.
std::string noteOf(std::int64_t id, std::int64_t val) {
    return "note of " + std::to_string(id) + " holding " + std::to_string(val) + std::string(40, '.');
}

Record recordOf(std::int64_t id, std::int64_t val) {
    return {Value::integer(id), Value::integer(val), Value::string(noteOf(id, val))};
}

// The changes one writer makes, from its own seed: inserts of new ids (its number in the
// millions), updates and deletions of records it inserted.
class Writer {
public:
    Writer(int number, unsigned seed) : number_(number), random_(seed) {}

    enum class Step { Insert, Update, Delete };
    struct Change {
        Step step;
        std::int64_t id;
        std::int64_t val;
    };

    Change next() {
        std::int64_t val = static_cast<std::int64_t>(random_() % 1000);
        const unsigned roll = random_() % 4;
        if (roll < 2 || mine_.empty()) return {Step::Insert, number_ * 1'000'000 + ++inserted_, val};
        auto it = mine_.begin();
        std::advance(it, static_cast<long>(random_() % mine_.size()));
        return {roll == 2 ? Step::Update : Step::Delete, it->first, val};
    }
    void committed(const Change& c) {
        if (c.step == Step::Delete)
            mine_.erase(c.id);
        else
            mine_[c.id] = c.val;
    }
    bool coin() { return random_() % 2 == 0; }
    void pause() { std::this_thread::sleep_for(std::chrono::microseconds(random_() % 1500)); }
    const Contents& mine() const { return mine_; }

private:
    std::int64_t number_;
    std::mt19937 random_;
    std::int64_t inserted_ = 0;
    Contents mine_;
};

constexpr int kWriters = 3;
constexpr int kSteps = 40;

// The id record `id` has now, found by a scan: valid while the writers' lock is held.
RecordId idOf(StorageTable& table, std::int64_t id) {
    Record values;
    for (std::uint64_t slot = 0; slot < table.slotCount(); ++slot)
        if (table.readSlot(slot, values) && values[0].asInt() == id) return table.recordIdAt(slot);
    throw EngineError(errkind::kValue, "record " + std::to_string(id) + " is missing");
}

// Runs the writer's steps on its own open of the table, each in a transaction that takes the
// writers' lock before it looks for the record it changes; inserts sometimes commit by
// themselves. Returns what it committed.
Contents writeSteps(const std::filesystem::path& path, int number, unsigned seed) {
    Writer writer(number, seed);
    auto table = openTable(path, OpenOptions{AccessMode::ReadWrite, ShareMode::Shared, "", true});
    for (int step = 0; step < kSteps; ++step) {
        writer.pause();
        const Writer::Change change = writer.next();
        if (change.step == Writer::Step::Insert && writer.coin()) {
            table->append(recordOf(change.id, change.val));
            writer.committed(change);
            continue;
        }
        Transaction transaction(Transaction::newJournalPath(path.parent_path()));
        table->setTransaction(&transaction);
        table->beginWriting();
        if (change.step == Writer::Step::Insert)
            table->append(recordOf(change.id, change.val));
        else if (change.step == Writer::Step::Update)
            table->update(idOf(*table, change.id), recordOf(change.id, change.val));
        else
            table->remove(idOf(*table, change.id));
        transaction.commit();
        table->setTransaction(nullptr);
        writer.committed(change);
    }
    return writer.mine();
}

// The same steps through a dataset table of a session of its own. Its view is refreshed before
// it looks for a record; another writer's commit while it looks may leave a Paradox view behind
// (a record that moved is named or missed), and then it looks again. Nothing is written before
// the record is found.
Contents writeStepsInSession(const std::filesystem::path& path, int number, unsigned seed) {
    Writer writer(number, seed);
    Session session("Writer" + std::to_string(number));
    Connection& connection = session.addConnection("Folder");
    connection.setParams(Connection::folderParams(path.parent_path().string()));
    connection.connect();
    Table table(connection);
    table.setTableName(path.filename().string());
    table.open();
    const auto put = [&](const Record& values) {
        for (std::size_t i = 0; i < values.size(); ++i) table.setFieldValue(i, values[i]);
        table.post();
    };
    for (int step = 0; step < kSteps; ++step) {
        writer.pause();
        const Writer::Change change = writer.next();
        const Record values = recordOf(change.id, change.val);
        if (change.step == Writer::Step::Insert) {
            table.append();
            put(values);
            writer.committed(change);
            continue;
        }
        for (int attempt = 0;; ++attempt) {
            try {
                table.refresh();
                table.first();
                while (!table.eof() && table.fieldByName("ID").value().asInt() != change.id) table.next();
                if (table.eof())
                    throw EngineError(errkind::kUsage, "record " + std::to_string(change.id) + " not seen");
                if (change.step == Writer::Step::Delete) {
                    table.remove();
                } else {
                    table.edit();
                    put(values);
                }
                break;
            } catch (const EngineError& e) {
                table.cancel();
                if (e.kind() != errkind::kUsage || attempt == 50) throw;
            }
        }
        writer.committed(change);
    }
    return writer.mine();
}

void save(const std::filesystem::path& file, const Contents& contents) {
    std::ofstream out(file);
    for (const auto& [id, val] : contents) out << id << ' ' << val << '\n';
}

Contents load(const std::filesystem::path& file) {
    Contents contents;
    std::ifstream in(file);
    for (std::int64_t id, val; in >> id >> val;) contents[id] = val;
    return contents;
}

class ConcurrentWriters : public ::testing::TestWithParam<TableKind> {
protected:
    void SetUp() override {
        path_ = folder_ / GetParam().file;
        driverFor(GetParam().type).create(path_, GetParam().fields, GetParam().indexes, {});
    }

    // Every committed record once, nothing else, and every index listing exactly the records
    // in its own order.
    void expectTableHolds(const Contents& expected) {
        OpenOptions strict;
        strict.tolerant = false;
        auto table = openTable(path_, strict);
        Contents found;
        std::vector<RecordId> ids;
        Record values;
        for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot) {
            if (!table->readSlot(slot, values)) continue;
            const std::int64_t id = values[0].asInt();
            EXPECT_FALSE(found.count(id)) << "record " << id << " is there twice";
            found[id] = values[1].asInt();
            EXPECT_EQ(values[2].asString(), noteOf(id, values[1].asInt()));
            ids.push_back(table->recordIdAt(slot));
        }
        EXPECT_EQ(found, expected);
        std::sort(ids.begin(), ids.end());
        for (const IndexDef& def : table->indexes()) {
            auto cursor = table->openIndex(def.name);
            std::vector<RecordId> listed;
            Record previous;
            for (bool more = cursor->first(); more; more = cursor->next()) {
                listed.push_back(cursor->recordId());
                const Record key = cursor->key();
                if (!previous.empty()) {
                    EXPECT_LE(previous[0].compare(key[0]), 0) << "index " << def.name << " out of order";
                }
                previous = key;
            }
            std::sort(listed.begin(), listed.end());
            EXPECT_EQ(listed, ids) << "index " << def.name;
        }
    }

    TempFolder folder_;
    std::filesystem::path path_;
};

TEST_P(ConcurrentWriters, ProcessesLoseAndDuplicateNothing) {
    std::vector<pid_t> children;
    for (int w = 1; w <= kWriters; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int status = 0;
            try {
                save(folder_ / ("writer" + std::to_string(w) + ".txt"),
                     writeSteps(path_, w, 100u + static_cast<unsigned>(w)));
            } catch (const EngineError& e) {
                std::fprintf(stderr, "writer %d: %s\n", w, e.formatted().c_str());
                status = 1;
            }
            ::_exit(status);
        }
        children.push_back(pid);
    }
    Contents expected;
    for (std::size_t w = 0; w < children.size(); ++w) {
        int status = -1;
        ::waitpid(children[w], &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer " << w + 1 << " failed";
        expected.merge(load(folder_ / ("writer" + std::to_string(w + 1) + ".txt")));
    }
    expectTableHolds(expected);
}

TEST_P(ConcurrentWriters, SessionsOfOneProcessLoseAndDuplicateNothing) {
    std::vector<Contents> results(kWriters);
    std::vector<std::string> failures(kWriters);
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w)
        threads.emplace_back([&, w] {
            try {
                results[w] = writeStepsInSession(path_, w + 1, 200u + static_cast<unsigned>(w));
            } catch (const EngineError& e) {
                failures[w] = e.formatted();
            }
        });
    for (std::thread& t : threads) t.join();
    Contents expected;
    for (int w = 0; w < kWriters; ++w) {
        EXPECT_EQ(failures[w], "") << "writer " << w + 1;
        expected.merge(results[w]);
    }
    expectTableHolds(expected);
}

TEST_P(ConcurrentWriters, AWriterKeptWaitingIsRefusedAndChangesNothing) {
    auto holder = openTable(path_, OpenOptions{AccessMode::ReadWrite, ShareMode::Shared, "", true});
    holder->append(recordOf(1, 10));
    Transaction transaction(Transaction::newJournalPath(folder_.path()));
    holder->setTransaction(&transaction);
    holder->append(recordOf(2, 20));

    const auto usualWait = File::lockWait();
    File::setLockWait(std::chrono::milliseconds(100));
    auto late = openTable(path_, OpenOptions{AccessMode::ReadWrite, ShareMode::Shared, "", true});
    try {
        late->append(recordOf(3, 30));
        ADD_FAILURE() << "the second writer did not wait its turn";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kBusy);
        EXPECT_NE(e.message().find(GetParam().file), std::string::npos) << e.message();
    }
    File::setLockWait(usualWait);
    transaction.rollback();
    holder->setTransaction(nullptr);
    expectTableHolds({{1, 10}});

    late->append(recordOf(3, 30));  // its turn has come
    expectTableHolds({{1, 10}, {3, 30}});
}

INSTANTIATE_TEST_SUITE_P(TableKinds, ConcurrentWriters, ::testing::ValuesIn(writerTableKinds()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tabulon::testing
