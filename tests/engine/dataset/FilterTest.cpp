// Filters on a dataset table: switching, options, counting, orders and keeping the old text.
#include "DatasetFixture.h"
#include "core/EngineError.h"

namespace tabulon::testing {
namespace {

using FilterTest = DatasetFixture;

TEST_F(FilterTest, TextTakesEffectOnlyWhileFiltered) {
    auto table = openPeople(*connection_);
    table->setFilter("CITY = 'Rome'");
    EXPECT_EQ(table->recordCount(), 5u);
    table->setFiltered(true);
    EXPECT_EQ(ids(*table), (std::vector<std::int64_t>{2, 3}));
    EXPECT_EQ(table->recordCount(), 2u);
    table->setFiltered(false);
    EXPECT_EQ(table->recordCount(), 5u);
    EXPECT_EQ(table->filter(), "CITY = 'Rome'");
}

TEST_F(FilterTest, EmptyTextShowsEveryRecord) {
    auto table = openPeople(*connection_);
    table->setFilter("   ");
    table->setFiltered(true);
    EXPECT_EQ(table->recordCount(), 5u);
}

TEST_F(FilterTest, RejectedTextKeepsThePreviousOne) {
    auto table = openPeople(*connection_);
    table->setFilter("AMOUNT > 200");
    table->setFiltered(true);
    EXPECT_THROW(table->setFilter("NAME = 'x' AND"), EngineError);
    EXPECT_EQ(table->filter(), "AMOUNT > 200");
    EXPECT_EQ(ids(*table), (std::vector<std::int64_t>{2, 3, 5}));
}

TEST_F(FilterTest, OptionsApplyAtOnce) {
    auto table = openPeople(*connection_);
    table->setFilter("NAME = 'SMITH*'");
    table->setFiltered(true);
    EXPECT_EQ(table->recordCount(), 0u);
    table->setFilterOptions({true, false});
    EXPECT_EQ(ids(*table), (std::vector<std::int64_t>{3, 5}));
    table->setFilterOptions({true, true});
    EXPECT_EQ(table->recordCount(), 0u);
}

TEST_F(FilterTest, FilterWorksInIndexOrderAndWithKeySearch) {
    auto table = openPeople(*connection_, "BYAMOUNT");
    table->setFilter("AMOUNT < 800");
    table->setFiltered(true);
    EXPECT_EQ(ids(*table), (std::vector<std::int64_t>{3, 2, 1}));
    table->last();
    EXPECT_EQ(table->recordNumber(), 3u);
    table->setKey();
    table->fieldByName("AMOUNT").setAsText("1000");
    table->gotoNearest();
    EXPECT_EQ(table->fieldByName("ID").value().asInt(), 3);  // 900 is filtered out
}

TEST_F(FilterTest, FilterSetWhileClosedIsParsedAtOpen) {
    Table table(*connection_);
    table.setTableName("people.mem");
    table.setDriver(&memoryDriver());
    table.setFilter("NOSUCH = 1");
    table.setFiltered(true);
    EXPECT_THROW(table.open(), EngineError);
    EXPECT_FALSE(table.active());
    table.setFilter("ID > 3");
    table.open();
    EXPECT_EQ(table.recordCount(), 2u);
}

TEST_F(FilterTest, CachedChangesAreFilteredToo) {
    Table table(*connection_);
    table.setTableName("people.mem");
    table.setDriver(&memoryDriver());
    table.setCachedUpdates(true);
    table.setFilter("CITY = 'Rome'");
    table.setFiltered(true);
    table.open();
    table.edit();
    table.fieldByName("CITY").setAsText("Bern");
    table.post();
    table.append();
    table.fieldByName("ID").setValue(Value::integer(9));
    table.fieldByName("NAME").setAsText("Nine");
    table.fieldByName("CITY").setAsText("Rome");
    table.post();
    EXPECT_EQ(ids(table), (std::vector<std::int64_t>{3, 9}));
}

}  // namespace
}  // namespace tabulon::testing
