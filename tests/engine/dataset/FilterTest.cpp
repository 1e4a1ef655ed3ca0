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

// A scan tests the parts of a filter one at a time: the operands of its top-level ANDs,
// equality tests first, each with only the fields it reads.
TEST(FilterParts, TopLevelAndOperandsEqualityFirst) {
    const std::vector<FieldDef> fields = {
        {"ID", ftInteger, 0, 0, false, ""}, {"CITY", ftString, 20, 0, false, ""}, {"AMOUNT", ftFloat, 0, 0, false, ""}};
    const auto filter = FilterExpression::parse("AMOUNT > 5 AND (ID = 1 OR ID = 2) AND CITY = 'Rome'", fields, {}, {});
    ASSERT_EQ(filter.partCount(), 3u);
    EXPECT_EQ(filter.partFields(0), (std::vector<std::size_t>{1}));
    EXPECT_EQ(filter.partFields(1), (std::vector<std::size_t>{2}));
    EXPECT_EQ(filter.partFields(2), (std::vector<std::size_t>{0}));
    const Record rome = {Value::integer(2), Value::string("Rome"), Value::floating(6)};
    EXPECT_TRUE(filter.matches(rome));
    EXPECT_FALSE(filter.partMatches(0, {Value(), Value::string("Oslo"), Value()}));
    // An OR is one part: it cannot reject a record on either side alone.
    EXPECT_EQ(FilterExpression::parse("ID = 1 OR AMOUNT > 5", fields, {}, {}).partCount(), 1u);
    EXPECT_EQ(FilterExpression::parse("", fields, {}, {}).partCount(), 0u);
}

}  // namespace
}  // namespace tabulon::testing
