// Dataset tables over the memory driver: opening, fields, navigation, editing, orders and key
// search.
#include <fstream>

#include "DatasetFixture.h"
#include "core/EngineError.h"

namespace tabulon::testing {
namespace {

using TableTest = DatasetFixture;

std::string errorKind(const std::function<void()>& action) {
    try {
        action();
    } catch (const EngineError& e) {
        return e.kind() + ": " + e.message();
    }
    return "no error";
}

TEST_F(TableTest, OpensByNameIgnoringCaseAndReportsStructure) {
    auto table = openPeople(*connection_);
    EXPECT_TRUE(table->active());
    EXPECT_EQ(table->state(), TableState::Browse);
    ASSERT_EQ(table->fieldCount(), 5u);
    EXPECT_EQ(table->field(1).name(), "NAME");
    EXPECT_EQ(table->field(1).type(), ftString);
    EXPECT_EQ(table->field(1).size(), 20);
    EXPECT_TRUE(table->field(1).required());
    EXPECT_EQ(table->path().filename(), "PEOPLE.MEM");
    ASSERT_EQ(table->indexDefs().size(), 4u);
    EXPECT_EQ(table->indexDefs()[3].fields, "CITY;NAME");
    EXPECT_THROW(table->fieldByName("NOPE"), EngineError);
    EXPECT_THROW(table->setTableName("X"), EngineError);
    table->close();
    EXPECT_FALSE(table->active());
}

TEST_F(TableTest, MissingTableNamesTheFolder) {
    Table table(*connection_);
    table.setTableName("ghost.mem");
    table.setDriver(&memoryDriver());
    const std::string error = errorKind([&] { table.open(); });
    EXPECT_NE(error.find("EFileError: Table ghost.mem does not exist in folder " + folder_.path().string()),
              std::string::npos)
        << error;
}

TEST_F(TableTest, PrimaryOrderWhenNoIndexIsNamed) {
    auto table = openPeople(*connection_);
    EXPECT_EQ(ids(*table), (std::vector<std::int64_t>{1, 2, 3, 4, 5}));
}

TEST_F(TableTest, NavigationSetsBofAndEof) {
    auto table = openPeople(*connection_);
    table->first();
    EXPECT_TRUE(table->bof());
    EXPECT_FALSE(table->eof());
    table->next();
    EXPECT_FALSE(table->bof());
    EXPECT_EQ(table->recordNumber(), 2u);
    table->last();
    EXPECT_TRUE(table->eof());
    EXPECT_EQ(table->fieldByName("ID").value().asInt(), 5);
    table->next();
    EXPECT_TRUE(table->eof());
    EXPECT_EQ(table->fieldByName("ID").value().asInt(), 5);
    table->first();
    table->prior();
    EXPECT_TRUE(table->bof());
    EXPECT_EQ(table->fieldByName("ID").value().asInt(), 1);
    EXPECT_EQ(table->recordCount(), 5u);
}

TEST_F(TableTest, BookmarksReturnToTheirRecord) {
    auto table = openPeople(*connection_, "BYNAME");
    table->next();
    table->next();
    const Bookmark mark = table->bookmark();
    const std::string name = table->fieldByName("NAME").asText();
    table->last();
    table->gotoBookmark(mark);
    EXPECT_EQ(table->fieldByName("NAME").asText(), name);
    table->next();
    EXPECT_EQ(table->fieldByName("NAME").asText(), "smith");
}

struct OrderCase {
    const char* index;
    std::vector<std::int64_t> ids;
};

class TableOrders : public DatasetFixture, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(TableOrders, IndexOrdersTheView) {
    auto table = openPeople(*connection_);
    table->setIndexName(GetParam().index);
    EXPECT_EQ(ids(*table), GetParam().ids);
}

INSTANTIATE_TEST_SUITE_P(Indexes, TableOrders,
                         ::testing::Values(OrderCase{"", {1, 2, 3, 4, 5}}, OrderCase{"byname", {1, 2, 4, 3, 5}},
                                           OrderCase{"BYAMOUNT", {5, 3, 2, 1, 4}},
                                           OrderCase{"BYCITYNAME", {5, 4, 1, 2, 3}}));

TEST_F(TableTest, UnknownIndexKeepsTheOldOrder) {
    auto table = openPeople(*connection_, "BYNAME");
    EXPECT_THROW(table->setIndexName("NOPE"), EngineError);
    EXPECT_EQ(table->indexName(), "BYNAME");
    EXPECT_EQ(ids(*table), (std::vector<std::int64_t>{1, 2, 4, 3, 5}));
}

TEST_F(TableTest, EditPostAndCancel) {
    auto table = openPeople(*connection_);
    table->next();
    table->edit();
    table->fieldByName("CITY").setAsText("Milan");
    EXPECT_EQ(table->fieldByName("CITY").asText(), "Milan");
    table->cancel();
    EXPECT_EQ(table->fieldByName("CITY").asText(), "Rome");
    table->edit();
    table->fieldByName("CITY").setAsText("Milan");
    table->post();
    EXPECT_EQ(table->fieldByName("CITY").asText(), "Milan");
    EXPECT_EQ(table->fieldByName("ID").value().asInt(), 2);
    table->refresh();
    EXPECT_EQ(table->fieldByName("CITY").asText(), "Milan");
}

TEST_F(TableTest, AppendGoesToTheNewRecordInItsOrder) {
    auto table = openPeople(*connection_, "BYNAME");
    table->append();
    EXPECT_EQ(table->state(), TableState::Insert);
    table->fieldByName("ID").setAsText("9");
    table->fieldByName("NAME").setAsText("Baker");
    table->post();
    EXPECT_EQ(table->fieldByName("NAME").asText(), "Baker");
    EXPECT_EQ(table->recordNumber(), 2u);
    EXPECT_EQ(table->recordCount(), 6u);
}

TEST_F(TableTest, PostRefusesMissingRequiredFieldsAndDuplicateKeys) {
    auto table = openPeople(*connection_);
    table->append();
    table->fieldByName("ID").setValue(Value::integer(7));
    EXPECT_EQ(errorKind([&] { table->post(); }).rfind("ERequiredField: Field 'NAME'", 0), 0u);
    table->fieldByName("NAME").setAsText("");
    EXPECT_EQ(errorKind([&] { table->post(); }).rfind("ERequiredField", 0), 0u);
    table->fieldByName("NAME").setAsText("Dup");
    table->fieldByName("ID").setValue(Value::integer(3));
    const std::string error = errorKind([&] { table->post(); });
    EXPECT_EQ(error.rfind("EKeyViolation", 0), 0u) << error;
    EXPECT_EQ(table->state(), TableState::Insert);
    table->cancel();
    EXPECT_EQ(table->recordCount(), 5u);
}

struct BufferCase {
    const char* name;
    bool append;
    std::vector<std::pair<const char*, const char*>> assignments;  // refused ones mark nothing
    std::string changed;  // per field ID, NAME, CITY, AMOUNT, BORN: 'x' changed, '.' not
};

class EditBufferFields : public DatasetFixture, public ::testing::WithParamInterface<BufferCase> {};

TEST_P(EditBufferFields, MarkTheFieldsAssigned) {
    auto table = openPeople(*connection_);
    table->next();  // Brown of Rome
    GetParam().append ? table->append() : table->edit();
    for (const auto& [field, text] : GetParam().assignments) {
        try {
            table->fieldByName(field).setAsText(text);
        } catch (const EngineError&) {
        }
    }
    std::string changed;
    for (bool marked : table->editBuffer().changedFields()) changed += marked ? 'x' : '.';
    EXPECT_EQ(changed, GetParam().changed);
    EXPECT_EQ(table->editBuffer().inserting(), GetParam().append);
    table->cancel();
    EXPECT_FALSE(table->editBuffer().active());
}

INSTANTIATE_TEST_SUITE_P(Cases, EditBufferFields,
                         ::testing::Values(BufferCase{"OneField", false, {{"CITY", "Milan"}}, "..x.."},
                                           BufferCase{"SameValueCounts", false, {{"CITY", "Rome"}}, "..x.."},
                                           BufferCase{"RefusedValue", false, {{"AMOUNT", "12x"}}, "....."},
                                           BufferCase{"Insert", true, {{"ID", "9"}, {"NAME", "Baker"}}, "xx..."}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TableTest, AssignmentOutsideEditingIsRefused) {
    auto table = openPeople(*connection_);
    EXPECT_EQ(errorKind([&] { table->fieldByName("CITY").setAsText("X"); }).rfind("EUsageError", 0), 0u);
    table->edit();
    const std::string error = errorKind([&] { table->fieldByName("AMOUNT").setAsText("12x"); });
    EXPECT_NE(error.find("'12x' is not a valid value for field AMOUNT"), std::string::npos) << error;
}

TEST_F(TableTest, DeleteMovesToTheNextRecord) {
    auto table = openPeople(*connection_);
    table->next();
    table->remove();
    EXPECT_EQ(table->fieldByName("ID").value().asInt(), 3);
    table->last();
    table->remove();
    EXPECT_EQ(table->fieldByName("ID").value().asInt(), 4);
    EXPECT_EQ(ids(*table), (std::vector<std::int64_t>{1, 3, 4}));
}

TEST_F(TableTest, DisplayTextFollowsTheRegionalSettings) {
    auto table = openPeople(*connection_);
    RegionalSettings settings;
    settings.decimalSeparator = ',';
    settings.shortDateFormat = "dd.MM.yyyy";
    table->setRegionalSettings(settings);
    table->last();
    table->prior();
    table->prior();
    ASSERT_EQ(table->fieldByName("ID").value().asInt(), 3);
    EXPECT_EQ(table->fieldByName("AMOUNT").displayText(), "700");
    EXPECT_EQ(table->fieldByName("BORN").displayText(), "02.01.1970");
    table->prior();
    ASSERT_EQ(table->fieldByName("ID").value().asInt(), 2);
    EXPECT_EQ(table->fieldByName("AMOUNT").displayText(), "250,5");
    EXPECT_EQ(table->fieldByName("BORN").displayText(), "");
    table->edit();
    table->fieldByName("AMOUNT").setAsText("1,25");
    table->fieldByName("BORN").setAsText("31.12.1999");
    EXPECT_EQ(table->fieldByName("AMOUNT").value().asDouble(), 1.25);
    EXPECT_EQ(table->fieldByName("BORN").value().asDate(), Date::fromCivil(1999, 12, 31));
}

// --- Key search ---

struct NearestCase {
    const char* name;
    const char* index;
    // Each search "FIELD=text" is setKey(), the assignment and gotoNearest(); "+FIELD=text"
    // starts with editKey() instead, keeping the previous search's values.
    std::vector<std::string> searches;
    std::int64_t id;
    bool eof;
};

class NearestKey : public DatasetFixture, public ::testing::WithParamInterface<NearestCase> {};

TEST_P(NearestKey, GoesToTheFirstKeyAtOrAfter) {
    auto table = openPeople(*connection_, GetParam().index);
    for (const std::string& search : GetParam().searches) {
        const bool keep = search.front() == '+';
        keep ? table->editKey() : table->setKey();
        const std::size_t equals = search.find('=');
        table->fieldByName(search.substr(keep, equals - keep)).setAsText(search.substr(equals + 1));
        table->gotoNearest();
    }
    EXPECT_EQ(table->fieldByName("ID").value().asInt(), GetParam().id);
    EXPECT_EQ(table->eof(), GetParam().eof);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NearestKey,
    ::testing::Values(NearestCase{"Prefix", "BYNAME", {"NAME=C"}, 4, false},  // Clark
                      NearestCase{"PastTheEnd", "BYNAME", {"NAME=zzz"}, 5, true},
                      NearestCase{"Descending", "BYAMOUNT", {"AMOUNT=300"}, 2, false},     // 250.5 is at or below
                      NearestCase{"LeadingField", "BYCITYNAME", {"CITY=Rome"}, 2, false},  // Brown
                      // Rome + "c": Brown < c <= smith.
                      NearestCase{"EditKeyKeeps", "BYCITYNAME", {"CITY=Rome", "+NAME=c"}, 3, false},
                      // CITY left unassigned sorts lowest.
                      NearestCase{"SetKeyForgets", "BYCITYNAME", {"CITY=Rome", "NAME=Brown"}, 5, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TableTest, CaseInsensitiveIndexFindsAnyCase) {
    auto table = openPeople(*connection_, "BYNAME");
    EXPECT_TRUE(table->findKey({Value::string("SMITH")}));
    EXPECT_EQ(table->fieldByName("ID").value().asInt(), 3);
    EXPECT_FALSE(table->findKey({Value::string("Smyth")}));
    EXPECT_EQ(table->fieldByName("ID").value().asInt(), 3);
}

TEST_F(TableTest, KeySearchRefusesFieldsOutsideTheIndex) {
    auto table = openPeople(*connection_, "BYNAME");
    table->setKey();
    const std::string error = errorKind([&] { table->fieldByName("CITY").setAsText("Rome"); });
    EXPECT_NE(error.find("Field CITY is not part of index BYNAME"), std::string::npos) << error;
    EXPECT_EQ(table->state(), TableState::SetKey);
    table->gotoNearest();
    EXPECT_EQ(table->state(), TableState::Browse);
}

}  // namespace
}  // namespace tabulon::testing

namespace tabulon::testing {
namespace {

TEST_F(TableTest, ExtraIndexFilesAttachOnceAndAddTheirIndexes) {
    std::ofstream(folder_ / "EXTRA.NDX") << "x";
    Table table(*connection_);
    table.setTableName("people.mem");
    table.setDriver(&memoryDriver());
    table.addIndexFile("extra.ndx");
    table.open();
    EXPECT_EQ(table.indexFiles(), (std::vector<std::string>{"EXTRA.NDX"}));
    table.addIndexFile("EXTRA.NDX");
    EXPECT_EQ(table.indexFiles().size(), 1u);
    EXPECT_EQ(table.indexDefs().back().name, "EXTRA");
    table.setIndexName("EXTRA");
    EXPECT_EQ(ids(table), (std::vector<std::int64_t>{1, 2, 3, 4, 5}));
    EXPECT_THROW(table.addIndexFile("missing.ndx"), EngineError);
    // Index files belong to their table's name; another name starts without them.
    table.close();
    table.setTableName("PEOPLE.MEM");
    EXPECT_EQ(table.indexFiles().size(), 1u);
    table.setTableName("other.mem");
    EXPECT_TRUE(table.indexFiles().empty());
}

TEST_F(TableTest, TextTablesHaveNoIndexFiles) {
    std::ofstream(folder_ / "plain.txt") << "1\n";
    std::ofstream(folder_ / "plain.ndx") << "x";
    Table table(*connection_);
    table.setTableName("plain.txt");
    table.open();
    try {
        table.addIndexFile("plain.ndx");
        FAIL() << "attached";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kNotSupported);
    }
}

}  // namespace
}  // namespace tabulon::testing
