// Cached updates applied after another writer's commit moved records: each change reaches the
// record it was made on, and a record the other writer deleted or changed meanwhile fails the
// apply, changing nothing and keeping the cache.
#include <gtest/gtest.h>

#include <functional>
#include <map>

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

Record recordOf(std::int64_t id, std::int64_t val) {
    return {Value::integer(id), Value::integer(val), Value::string("name " + std::to_string(id))};
}

class CachedUpdatesMovedRecords : public ::testing::TestWithParam<TableKind> {
protected:
    // Records with the even IDs 2..600, VAL ten times the ID, in a new table; a session's
    // table on them with cached updates.
    void start() {
        cached_.reset();
        path_ = folder_ / GetParam().file;
        for (const auto& file : std::filesystem::directory_iterator(folder_.path())) std::filesystem::remove(file);
        auto table = driverFor(GetParam().type).create(path_, GetParam().fields, GetParam().indexes, {});
        inOneTransaction(*table, [&] {
            for (std::int64_t id = 2; id <= 600; id += 2) table->append(recordOf(id, id * 10));
        });
        table.reset();
        cached_ = std::make_unique<Table>(*connection_);
        cached_->setTableName(GetParam().file);
        cached_->setCachedUpdates(true);
        cached_->open();
    }

    void SetUp() override {
        connection_ = &session_.addConnection("Folder");
        connection_->setParams(Connection::folderParams(folder_.path().string()));
        connection_->connect();
    }

    void inOneTransaction(StorageTable& table, const std::function<void()>& changes) {
        Transaction transaction(Transaction::newJournalPath(folder_.path()));
        table.setTransaction(&transaction);
        table.beginWriting();
        changes();
        transaction.commit();
        table.setTransaction(nullptr);
    }

    void goTo(std::int64_t id) {
        for (cached_->first(); !cached_->eof(); cached_->next())
            if (cached_->fieldByName("ID").value().asInt() == id) return;
        FAIL() << "record " << id << " not seen";
    }

    // Caches an edit of record 200's VAL and the deletion of record 250.
    void cacheChanges() {
        goTo(200);
        cached_->edit();
        cached_->fieldByName("VAL").setValue(Value::integer(-1));
        cached_->post();
        goTo(250);
        cached_->remove();
    }

    // Another writer, in two commits: deletes records 2..100 and those just before the changed
    // ones (blocks merge, records shift), then inserts the odd IDs 101..189 (blocks split in a
    // keyed table).
    void moveRecordsElsewhere() {
        auto other = openTable(path_, OpenOptions{AccessMode::ReadWrite, ShareMode::Shared, "", true});
        inOneTransaction(*other, [&] {
            Record values;
            for (std::uint64_t slot = other->slotCount(); slot-- > 0;)
                if (other->readSlot(slot, values) && movedAway(values[0].asInt()))
                    other->remove(other->recordIdAt(slot));
        });
        inOneTransaction(*other, [&] {
            for (std::int64_t id = 101; id < 190; id += 2) other->append(recordOf(id, id * 10));
        });
    }

    static bool movedAway(std::int64_t id) { return id <= 100 || (id > 190 && id < 200) || (id > 240 && id < 250); }

    Contents stored() {
        auto table = openTable(path_);
        Contents contents;
        Record values;
        for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot)
            if (table->readSlot(slot, values)) contents[values[0].asInt()] = values[1].asInt();
        return contents;
    }

    TempFolder folder_;
    std::filesystem::path path_;
    Session session_{"Cached"};
    Connection* connection_ = nullptr;
    std::unique_ptr<Table> cached_;
};

TEST_P(CachedUpdatesMovedRecords, ChangesReachTheRecordsTheyWereMadeOn) {
    start();
    cacheChanges();
    moveRecordsElsewhere();
    Contents expected;
    for (std::int64_t id = 2; id <= 600; id += 2)
        if (!movedAway(id)) expected[id] = id * 10;
    for (std::int64_t id = 101; id < 190; id += 2) expected[id] = id * 10;
    expected[200] = -1;
    expected.erase(250);

    cached_->applyUpdates();
    cached_->commitUpdates();
    EXPECT_EQ(stored(), expected);
}

TEST_P(CachedUpdatesMovedRecords, ARecordAnotherWriterChangedOrDeletedFailsTheApply) {
    struct Case {
        const char* what;
        void (*change)(StorageTable&, RecordId);
    };
    const Case cases[] = {{"changed", [](StorageTable& t, RecordId id) { t.update(id, recordOf(200, 7)); }},
                          {"deleted", [](StorageTable& t, RecordId id) { t.remove(id); }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        start();
        cacheChanges();
        moveRecordsElsewhere();
        {
            auto other = openTable(path_, OpenOptions{AccessMode::ReadWrite, ShareMode::Shared, "", true});
            Record values;
            for (std::uint64_t slot = 0; slot < other->slotCount(); ++slot)
                if (other->readSlot(slot, values) && values[0].asInt() == 200) {
                    c.change(*other, other->recordIdAt(slot));
                    break;
                }
        }
        const Contents before = stored();
        try {
            cached_->applyUpdates();
            ADD_FAILURE() << "the apply succeeded";
        } catch (const EngineError& e) {
            EXPECT_NE(std::string(e.what()).find(GetParam().file), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("200"), std::string::npos) << e.what();
        }
        EXPECT_TRUE(cached_->updatesPending());
        EXPECT_EQ(stored(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(TableKinds, CachedUpdatesMovedRecords, ::testing::ValuesIn(writerTableKinds()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tabulon::testing
