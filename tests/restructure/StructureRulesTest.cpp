// The rules of the field editor's rows and of turning rows and index definitions into the new
// table's description, per format.
#include <gtest/gtest.h>

#include "StructurePlan.h"
#include "TypeLetters.h"

using namespace tabulon;

namespace {

struct LetterCase {
    TableType format;
    std::string typed;
    char letter;
    FieldType type;
};

TEST(TypeLetters, TypedTextBecomesALetterOfTheFormat) {
    const LetterCase cases[] = {
        {ttParadox, "x", 'A', ftString},
        {ttParadox, "b", 'B', ftBlob},
        {ttDBase, "b", 'B', ftTypedBinary},
        {ttDBase, "s", 'A', ftString},
        {ttParadox, "", 'A', ftString},
        {ttParadox, "  ", 'A', ftString},
        {ttParadox, "$ - Money", '$', ftCurrency},
        {ttDBase, "d", 'D', ftDate},
        {ttDBase, "q", 'Q', ftDBaseOle},
        {ttParadox, "@", '@', ftDateTime},
    };
    for (const auto& c : cases) {
        const char letter = NormalizeTypeLetter(c.format, c.typed);
        EXPECT_EQ(letter, c.letter) << c.typed;
        EXPECT_EQ(TypeLetterToFieldType(c.format, letter), c.type) << c.typed;
    }
}

TEST(TypeLetters, SizesAreFittedToTheType) {
    const struct {
        TableType format;
        char letter;
        int size, fitted;
    } cases[] = {{ttParadox, 'A', 300, 255}, {ttDBase, 'A', 300, 254}, {ttParadox, '#', 0, 1},
                 {ttParadox, 'I', 12, 0},    {ttDBase, 'M', 0, 1},     {ttDBase, 'M', 10, 1},
                 {ttParadox, 'M', 300, 240}, {ttParadox, 'A', -5, -5}, {ttParadox, 'Y', 0, 1}};
    for (const auto& c : cases) EXPECT_EQ(FitFieldSize(c.format, c.letter, c.size), c.fitted) << c.letter << c.size;
}

TEST(TypeLetters, DbaseNumbersReadAsWholeNumbersStayNumbers) {
    EXPECT_EQ(LetterForField(ttDBase, {"QTY", ftInteger, 5, 0, false, "N"}), 'N');
    EXPECT_EQ(LetterForField(ttParadox, {"QTY", ftWord, 0, 0, false, ""}), 'A');
}

struct PlanCase {
    std::string label;
    TableType format;
    std::vector<TFieldRow> rows;
    std::vector<TIndexRequest> indexes;
    std::string refusal;
    std::vector<std::string> indexNames;  // of the plan, when not refused
    std::vector<std::string> indexFields;
};

void PrintTo(const PlanCase& c, std::ostream* out) { *out << c.label; }

class PlanTest : public ::testing::TestWithParam<PlanCase> {};

const std::vector<FieldDef> kOldFields = {{"CUSTNO", ftInteger, 0, 0, true, "I"},
                                          {"NAME", ftString, 20, 0, false, "A"},
                                          {"AMOUNT", ftFloat, 10, 2, false, "N"}};

TEST_P(PlanTest, BuildsOrRefusesAsTheFormatAllows) {
    const TStructurePlan plan = PlanStructure(GetParam().format, GetParam().rows, GetParam().indexes, kOldFields);
    EXPECT_EQ(plan.Refusal, GetParam().refusal);
    if (!plan.Refusal.empty()) return;
    std::vector<std::string> names, fields;
    for (const auto& index : plan.Restructure.indexes) {
        names.push_back(index.name);
        fields.push_back(index.fields);
    }
    EXPECT_EQ(names, GetParam().indexNames);
    EXPECT_EQ(fields, GetParam().indexFields);
}

std::vector<PlanCase> planCases() {
    const TFieldRow custno{"CUSTNO", 'I', 0, true, true, 0}, name{"NAME", 'A', 20, false, true, 1},
        amount{"AMOUNT", 'N', 0, false, false, 2}, unnamed{"FieldName", 'A', 1, false, false, -1};
    const TFieldRow custnoDbase{"CUSTNO", 'N', 0, true, true, 0};
    TFieldRow nameUnkeyed = name;
    nameUnkeyed.Key = false;
    TFieldRow amountKeyed = amount;
    amountKeyed.Key = true;
    return {
        {"TwoKeyFieldsStayInTheKey", ttParadox, {custno, name, amount}, {}, "", {""}, {"CUSTNO;NAME"}},
        {"KeyFieldsMustLead", ttParadox, {custno, nameUnkeyed, amountKeyed}, {}, kKeyNotLeading, {}, {}},
        {"DbaseHasNoKey", ttDBase, {custnoDbase, name}, {}, "", {}, {}},
        {"DuplicateNamesAreRefused",
         ttParadox,
         {amount, unnamed, unnamed},
         {},
         std::string("FieldName") + kInvalidField,
         {},
         {}},
        {"NegativeSizeIsRefused",
         ttParadox,
         {{"NOTE", 'A', -5, false, false, -1}},
         {},
         std::string("NOTE") + kInvalidField,
         {},
         {}},
        {"ParadoxIndexOfOneFieldTakesItsName",
         ttParadox,
         {custno, nameUnkeyed},
         {{"BYNAME", "name", 2}},
         "",
         {"", "NAME"},
         {"CUSTNO", "NAME"}},
        {"TwoIndexesOnOneFieldClash",
         ttParadox,
         {custno, nameUnkeyed},
         {{"A", "NAME", 0}, {"B", "NAME", 0}},
         std::string("NAME") + kInvalidIndex,
         {},
         {}},
        {"IndexOnARemovedFieldIsRefused",
         ttDBase,
         {custnoDbase},
         {{"byname", "NAME", 0}},
         std::string("BYNAME") + kInvalidIndex,
         {},
         {}},
        {"DbaseIndexOfSeveralFieldsIsUpperCased",
         ttDBase,
         {custnoDbase, name},
         {{"both", "custno;name", 0}, {"none", "", 0}},
         "",
         {"BOTH"},
         {"CUSTNO;NAME"}},
    };
}

INSTANTIATE_TEST_SUITE_P(Structures, PlanTest, ::testing::ValuesIn(planCases()),
                         [](const auto& info) { return info.param.label; });

TEST(Plan, AnUnchangedFieldKeepsItsShapeAChangedOneTakesTheRow) {
    const TFieldRow amount{"AMOUNT", 'N', 0, false, false, 2}, retyped{"NAME", 'N', 0, false, false, 1},
        renamed{"TOTAL", 'A', 30, true, false, 1};
    const TStructurePlan plan = PlanStructure(ttDBase, {amount, retyped, renamed}, {}, kOldFields);
    ASSERT_EQ(plan.Refusal, "");
    const auto& fields = plan.Restructure.fields;
    EXPECT_EQ(fields[0].field.size, 10);  // a dBase number keeps its width and decimals
    EXPECT_EQ(fields[0].field.decimals, 2);
    EXPECT_EQ(fields[0].from, "AMOUNT");
    EXPECT_EQ(fields[1].field.type, ftFloat);
    EXPECT_EQ(fields[1].field.nativeType, "");
    EXPECT_EQ(fields[2].field.name, "TOTAL");
    EXPECT_EQ(fields[2].field.size, 30);
    EXPECT_TRUE(fields[2].field.required);
    EXPECT_EQ(fields[2].from, "NAME");
}

}  // namespace
