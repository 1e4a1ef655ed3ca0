// Cached updates: held in the cache, applied all or nothing, committed, cancelled; and two
// sessions working in two threads on one folder.
#include <thread>

#include "DatasetFixture.h"
#include "core/EngineError.h"

namespace tabulon::testing {
namespace {

class CachedUpdatesTest : public DatasetFixture {
protected:
    std::unique_ptr<Table> openCached(const std::string& name = "people.mem") {
        auto table = std::make_unique<Table>(*connection_);
        table->setTableName(name);
        table->setDriver(&memoryDriver());
        table->setCachedUpdates(true);
        table->open();
        return table;
    }

    std::size_t committedCount(const std::string& name = "PEOPLE.MEM") {
        std::size_t count = 0;
        for (const auto& r : MemoryDriver::committedRecords(folder_ / name)) count += r.has_value();
        return count;
    }

    // An insert of ID 10, an edit of ID 1's city, a delete of ID 2.
    void makeMixedChanges(Table& table) {
        table.append();
        table.fieldByName("ID").setValue(Value::integer(10));
        table.fieldByName("NAME").setAsText("New");
        table.post();
        table.first();
        table.edit();
        table.fieldByName("CITY").setAsText("Lyon");
        table.post();
        table.next();
        table.remove();
    }
};

TEST_F(CachedUpdatesTest, ChangesStayInTheCacheUntilApplied) {
    auto table = openCached();
    makeMixedChanges(*table);
    EXPECT_TRUE(table->updatesPending());
    EXPECT_EQ(ids(*table), (std::vector<std::int64_t>{1, 3, 4, 5, 10}));
    table->first();
    EXPECT_EQ(table->fieldByName("CITY").asText(), "Lyon");
    EXPECT_EQ(table->recordCount(), 5u);
    EXPECT_EQ(committedCount(), 5u);
    const auto stored = MemoryDriver::committedRecords(folder_ / "PEOPLE.MEM");
    EXPECT_EQ(stored[1]->at(2).asString(), "Paris");

    table->applyUpdates();
    table->commitUpdates();
    EXPECT_FALSE(table->updatesPending());
    EXPECT_EQ(committedCount(), 5u);
    EXPECT_EQ(ids(*table), (std::vector<std::int64_t>{1, 3, 4, 5, 10}));
    const auto after = MemoryDriver::committedRecords(folder_ / "PEOPLE.MEM");
    EXPECT_EQ(after[1]->at(2).asString(), "Lyon");
    EXPECT_FALSE(after[2].has_value());
}

TEST_F(CachedUpdatesTest, CancelDropsTheCache) {
    auto table = openCached();
    makeMixedChanges(*table);
    table->cancelUpdates();
    EXPECT_FALSE(table->updatesPending());
    EXPECT_EQ(ids(*table), (std::vector<std::int64_t>{1, 2, 3, 4, 5}));
}

TEST_F(CachedUpdatesTest, EditAndDeleteOfAnInsertStayInTheCache) {
    auto table = openCached();
    table->append();
    table->fieldByName("ID").setValue(Value::integer(20));
    table->fieldByName("NAME").setAsText("Temp");
    table->post();
    table->edit();
    table->fieldByName("NAME").setAsText("Changed");
    table->post();
    EXPECT_EQ(table->fieldByName("NAME").asText(), "Changed");
    table->remove();
    EXPECT_FALSE(table->updatesPending());
    EXPECT_EQ(table->recordCount(), 5u);
}

TEST_F(CachedUpdatesTest, FailingApplyKeepsTheCacheAndTheFiles) {
    auto table = openCached();
    makeMixedChanges(*table);
    table->append();
    table->fieldByName("ID").setValue(Value::integer(3));  // duplicate primary key
    table->fieldByName("NAME").setAsText("Dup");
    table->post();
    const auto before = MemoryDriver::committedRecords(folder_ / "PEOPLE.MEM");
    try {
        table->applyUpdates();
        FAIL() << "applied";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kKeyViolation);
    }
    EXPECT_EQ(MemoryDriver::committedRecords(folder_ / "PEOPLE.MEM"), before);
    EXPECT_TRUE(table->updatesPending());
    EXPECT_EQ(table->recordCount(), 6u);

    // Correct the offending insert and retry.
    table->last();
    table->edit();
    table->fieldByName("ID").setValue(Value::integer(30));
    table->post();
    table->applyUpdates();
    table->commitUpdates();
    EXPECT_EQ(committedCount(), 6u);
}

TEST_F(CachedUpdatesTest, ApplyInsideTheConnectionTransactionWaitsForItsCommit) {
    createPeople("OTHER.MEM");
    auto people = openCached();
    auto other = openCached("other.mem");
    makeMixedChanges(*people);
    makeMixedChanges(*other);
    connection_->startTransaction();
    people->applyUpdates();
    other->applyUpdates();
    EXPECT_EQ(MemoryDriver::committedRecords(folder_ / "PEOPLE.MEM").size(), 5u);
    connection_->rollback();
    EXPECT_TRUE(people->updatesPending());
    EXPECT_TRUE(other->updatesPending());
    EXPECT_EQ(MemoryDriver::committedRecords(folder_ / "PEOPLE.MEM").size(), 5u);

    connection_->startTransaction();
    people->applyUpdates();
    other->applyUpdates();
    connection_->commit();
    people->commitUpdates();
    other->commitUpdates();
    EXPECT_EQ(MemoryDriver::committedRecords(folder_ / "PEOPLE.MEM").size(), 6u);
    EXPECT_EQ(MemoryDriver::committedRecords(folder_ / "OTHER.MEM").size(), 6u);
    EXPECT_EQ(committedCount("OTHER.MEM"), 5u);
}

TEST_F(CachedUpdatesTest, TwoSessionsInTwoThreadsOnOneFolder) {
    createPeople("OTHER.MEM");
    const auto work = [this](const std::string& sessionName, const std::string& tableName, int firstId) {
        Session session(sessionName);
        Connection& connection = connect(session);
        Table table(connection);
        table.setTableName(tableName);
        table.setDriver(&memoryDriver());
        table.setCachedUpdates(true);
        table.open();
        for (int i = 0; i < 50; ++i) {
            table.append();
            table.fieldByName("ID").setValue(Value::integer(firstId + i));
            std::string name = "N";
            name += std::to_string(i);
            table.fieldByName("NAME").setAsText(name);
            table.post();
        }
        connection.startTransaction();
        table.applyUpdates();
        connection.commit();
        table.commitUpdates();
        table.refresh();
        return table.recordCount();
    };
    std::uint64_t first = 0, second = 0;
    std::thread one([&] { first = work("One", "PEOPLE.MEM", 100); });
    std::thread two([&] { second = work("Two", "OTHER.MEM", 200); });
    one.join();
    two.join();
    EXPECT_EQ(first, 55u);
    EXPECT_EQ(second, 55u);
    auto table = openPeople(*connection_);
    EXPECT_EQ(table->recordCount(), 55u);
}

}  // namespace
}  // namespace tabulon::testing
