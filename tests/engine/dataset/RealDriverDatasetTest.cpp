// The dataset layer over the Paradox and dBase drivers: the same behaviours the memory driver
// tests show, on real files, where records move when keys change and indexes live on disk.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/EngineError.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "storage/Drivers.h"
#include "support/FoxProCandidateTable.h"
#include "support/KeyedPeople.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::TempFolder;

namespace {
std::vector<std::string> folderParams(const std::filesystem::path& folder) {
    return {"PATH=" + folder.string(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
}

class RealDriverDataset : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        tabulon::testing::createKeyedPeople(folder_ / name());
        connection_ = &connect(session_);
    }

    std::string name() const { return std::string("PEOPLE") + GetParam(); }

    Connection& connect(Session& session) {
        Connection& c = session.addConnection("Folder");
        c.setParams(folderParams(folder_.path()));
        c.connect();
        return c;
    }

    std::unique_ptr<Table> open(Connection& connection, const std::string& index = {}, bool cached = false) {
        auto table = std::make_unique<Table>(connection);
        table->setTableName(name());
        table->setCachedUpdates(cached);
        table->setIndexName(index);
        table->open();
        return table;
    }

    static std::vector<std::string> column(Table& table, const char* field) {
        std::vector<std::string> values;
        for (table.first(); !table.eof() && !table.isEmpty(); table.next())
            values.push_back(table.fieldByName(field).asText());
        return values;
    }

    // Goes to the record with this ID, walking the view.
    static void gotoId(Table& table, const char* id) {
        for (table.first(); !table.eof(); table.next())
            if (table.fieldByName("ID").asText() == id) return;
        FAIL() << "no record " << id;
    }

    static std::vector<std::string> sorted(std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    }

    TempFolder folder_;
    Session session_{"RealDrivers"};
    Connection* connection_ = nullptr;
};

TEST_P(RealDriverDataset, OrdersFollowTheChosenIndex) {
    auto table = open(*connection_, tableTypeForPath(name()) == ttParadox ? "" : "ID");
    EXPECT_EQ(column(*table, "ID"), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    table->setIndexName("BYCITY");
    EXPECT_EQ(column(*table, "CITY"), (std::vector<std::string>{"Lyon", "Oslo", "Paris", "Rome", "Rome"}));
    EXPECT_EQ(table->recordCount(), 5u);
    EXPECT_THROW(table->setIndexName("NOSUCH"), EngineError);
    EXPECT_EQ(table->indexName(), "BYCITY");
}

TEST_P(RealDriverDataset, KeySearchFindsExactAndNearestKeys) {
    auto table = open(*connection_, "BYCITY");
    EXPECT_TRUE(table->findKey({Value::string("Paris")}));
    EXPECT_EQ(table->fieldByName("NAME").asText(), "Adams");
    EXPECT_FALSE(table->findKey({Value::string("Madrid")}));
    EXPECT_EQ(table->fieldByName("NAME").asText(), "Adams") << "a failed find stays put";

    table->setKey();
    table->fieldByName("CITY").setAsText("N");
    table->gotoNearest();
    EXPECT_EQ(table->fieldByName("CITY").asText(), "Oslo");
    table->setKey();
    table->fieldByName("CITY").setAsText("Zurich");
    table->gotoNearest();
    EXPECT_TRUE(table->eof());
}

TEST_P(RealDriverDataset, DescendingIndexOrdersAndSearchesHighestFirst) {
    auto table = open(*connection_, "BYAMOUNT");
    EXPECT_EQ(column(*table, "ID"), (std::vector<std::string>{"5", "3", "2", "1", "4"}));
    // Nearest in a descending order: the first key at or below the one asked for.
    table->setKey();
    table->fieldByName("AMOUNT").setAsText("300");
    table->gotoNearest();
    EXPECT_EQ(table->fieldByName("NAME").asText(), "Brown");
    EXPECT_TRUE(table->findKey({Value::floating(700)}));
    EXPECT_EQ(table->fieldByName("NAME").asText(), "Smith");
    EXPECT_FALSE(table->findKey({Value::floating(701)}));
}

TEST_P(RealDriverDataset, CaseInsensitiveIndexFindsKeysInAnyCase) {
    if (tableTypeForPath(name()) != ttParadox) GTEST_SKIP() << "dBase tags have no case-insensitive option";
    auto table = open(*connection_, "BYNAME");
    EXPECT_EQ(column(*table, "NAME"), (std::vector<std::string>{"Adams", "Brown", "Clark", "Smith", "Smithers"}));
    EXPECT_TRUE(table->findKey({Value::string("SMITHERS")}));
    EXPECT_EQ(table->fieldByName("ID").asText(), "5");
    EXPECT_TRUE(table->findKey({Value::string("clark")}));
    EXPECT_EQ(table->fieldByName("ID").asText(), "4");
    table->setKey();
    table->fieldByName("NAME").setAsText("b");
    table->gotoNearest();
    EXPECT_EQ(table->fieldByName("NAME").asText(), "Brown");
}

TEST_P(RealDriverDataset, FiltersSelectOnDisk) {
    auto table = open(*connection_);
    table->setFilter("CITY = 'Rome' AND AMOUNT > 300");
    table->setFiltered(true);
    EXPECT_EQ(column(*table, "NAME"), (std::vector<std::string>{"Smith"}));
    table->setFilter("NAME = 'Smi*'");
    EXPECT_EQ(sorted(column(*table, "NAME")), (std::vector<std::string>{"Smith", "Smithers"}));
}

// A filter of several parts in a descending index order, over stored and cached values.
TEST_P(RealDriverDataset, FilterPartsSelectInIndexOrderAndOverCachedEdits) {
    auto table = open(*connection_, "BYAMOUNT", /*cached=*/true);
    table->setFilter("AMOUNT > 60 AND CITY <> 'Oslo' AND NAME <> 'Brown'");
    table->setFiltered(true);
    EXPECT_EQ(column(*table, "NAME"), (std::vector<std::string>{"Smith", "Adams"}));
    EXPECT_EQ(table->recordCount(), 2u);
    table->setFiltered(false);
    gotoId(*table, "4");  // Clark, 50: filtered out until the cache lifts the amount
    table->edit();
    table->fieldByName("AMOUNT").setAsText("80");
    table->post();
    table->setFiltered(true);
    EXPECT_EQ(column(*table, "NAME"), (std::vector<std::string>{"Smith", "Adams", "Clark"}));
    EXPECT_EQ(table->recordCount(), 3u);
}

// Reads of selected fields decode those and leave the record's other values as they were.
TEST_P(RealDriverDataset, SelectedFieldReadsLeaveTheOtherValues) {
    auto table = open(*connection_);
    StorageTable& storage = table->storage();
    const Value marker = Value::string("untouched");
    Record record(4, marker);
    ASSERT_TRUE(storage.readSlotFields(0, {2}, record));
    Record whole;
    storage.readSlot(0, whole);
    EXPECT_EQ(record, (Record{marker, marker, whole[2], marker}));
    record.assign(4, marker);
    storage.readRecordFields(storage.recordIdAt(0), {0, 3}, record);
    EXPECT_EQ(record, (Record{whole[0], marker, marker, whole[3]}));
}

// Changing a key moves the record in a keyed table; the cache must still reach the right ones.
TEST_P(RealDriverDataset, CachedChangesOfKeysApplyToTheRightRecords) {
    auto table = open(*connection_, {}, /*cached=*/true);
    gotoId(*table, "1");
    table->edit();
    table->fieldByName("ID").setAsText("10");
    table->post();
    gotoId(*table, "2");
    table->remove();
    table->append();
    table->fieldByName("ID").setAsText("0");
    table->fieldByName("NAME").setAsText("Zero");
    table->post();
    gotoId(*table, "5");
    table->edit();
    table->fieldByName("CITY").setAsText("Bergen");
    table->post();
    table->applyUpdates();
    table->commitUpdates();
    table->close();

    Session other("Checker");
    auto check = open(connect(other));
    std::vector<std::string> rows;
    for (check->first(); !check->eof() && !check->isEmpty(); check->next())
        rows.push_back(check->fieldByName("ID").asText() + ":" + check->fieldByName("NAME").asText() + ":" +
                       check->fieldByName("CITY").asText());
    EXPECT_EQ(sorted(rows), (std::vector<std::string>{"0:Zero:", "10:Adams:Paris", "3:Smith:Rome", "4:Clark:Lyon",
                                                      "5:Smithers:Bergen"}));
    check->setIndexName("BYCITY");
    EXPECT_EQ(column(*check, "CITY"), (std::vector<std::string>{"", "Bergen", "Lyon", "Paris", "Rome"}));
}

TEST_P(RealDriverDataset, AFailingApplyLeavesTheFilesAndTheCache) {
    auto table = open(*connection_, {}, /*cached=*/true);
    table->append();
    table->fieldByName("ID").setAsText("3");  // the primary key of Smith
    table->fieldByName("NAME").setAsText("Duplicate");
    table->post();
    if (tableTypeForPath(name()) == ttDBase) {
        // A dBase unique tag keeps the first of equal keys instead of refusing the record.
        table->applyUpdates();
        table->commitUpdates();
        EXPECT_EQ(table->recordCount(), 6u);
        return;
    }
    EXPECT_THROW(table->applyUpdates(), EngineError);
    EXPECT_TRUE(table->updatesPending());
    Session other("Checker");
    EXPECT_EQ(open(connect(other))->recordCount(), 5u);
}

// The record as read identifies it at post: another writer's change since, even of a field the
// post leaves alone, fails the post and stays in the file.
TEST_P(RealDriverDataset, APostOverAnotherWritersChangeIsRefused) {
    auto table = open(*connection_);
    gotoId(*table, "2");
    table->edit();
    table->fieldByName("CITY").setAsText("Milan");
    EXPECT_EQ(table->editBuffer().changedFields(), (std::vector<bool>{false, false, true, false}));
    Session otherSession("Other");
    auto other = open(connect(otherSession));
    gotoId(*other, "2");
    other->edit();
    other->fieldByName("AMOUNT").setAsText("999");
    other->post();
    try {
        table->post();
        ADD_FAILURE() << "posted over another writer's change";
    } catch (const EngineError& e) {
        EXPECT_NE(e.message().find(name() + ": the record (2, Brown, Rome, ...) was deleted or changed"),
                  std::string::npos)
            << e.message();
    }
    table->cancel();
    table->refresh();
    gotoId(*table, "2");
    EXPECT_EQ(table->fieldByName("CITY").asText(), "Rome");
    EXPECT_EQ(table->fieldByName("AMOUNT").value().asDouble(), 999);
}

INSTANTIATE_TEST_SUITE_P(Formats, RealDriverDataset, ::testing::Values(".DB", ".DBF"),
                         [](const auto& info) { return std::string(info.param + 1); });

// A dBase or FoxPro table has no primary index: it opens in record order with every record, and
// a candidate tag with a FOR clause narrows the view only when chosen. Counts and numbers follow
// the order in use.
TEST(DbaseViews, ACandidateTagWithAForClauseNarrowsOnlyWhenChosen) {
    TempFolder folder;
    tabulon::testing::createFoxProCandidateTable(folder / "T.DBF");
    Session session("Views");
    Connection& connection = session.addConnection("Folder");
    connection.setParams(folderParams(folder.path()));
    connection.connect();
    struct View {
        std::string index;
        std::vector<std::string> names;
    };
    for (const View& view :
         {View{"", tabulon::testing::kFoxProNames}, View{"ADULTS", tabulon::testing::kFoxProAdults}}) {
        Table table(connection);
        table.setTableName("T.DBF");
        table.setIndexName(view.index);
        table.open();
        EXPECT_EQ(table.activeIndex().has_value(), !view.index.empty());
        std::vector<std::string> names;
        std::vector<std::uint64_t> numbers, expectedNumbers;
        for (table.first(); !table.eof(); table.next()) {
            names.push_back(table.fieldByName("NAME").asText());
            numbers.push_back(table.recordNumber());
            expectedNumbers.push_back(numbers.size());
        }
        EXPECT_EQ(names, view.names) << view.index;
        EXPECT_EQ(numbers, expectedNumbers) << view.index;
        EXPECT_EQ(table.recordCount(), view.names.size()) << view.index;
    }
}

}  // namespace
