// The dBase expression evaluator: results of every operator and function, and the faults it
// reports instead of evaluating.
#include <gtest/gtest.h>

#include "core/EngineError.h"
#include "storage/dbase/DbaseExpression.h"

using namespace tabulon;
using namespace tabulon::dbase;

namespace {
std::vector<FieldDef> fields() {
    return {
        {"NAME", ftString, 10, 0, false, "C"},        {"FIRST", ftString, 6, 0, false, "C"},
        {"AMOUNT", ftFloat, 10, 2, false, "N"},       {"BORN", ftDate, 0, 0, false, "D"},
        {"ACTIVE", ftBoolean, 0, 0, false, "L"},      {"NOTES", ftMemo, 0, 0, false, "M"},
        {"PICTURE", ftTypedBinary, 0, 0, false, "B"}, {"CONTACT_TY", ftInteger, 0, 0, false, "I"},
    };
}

Record sample() {
    return {Value::string("Smith"),
            Value::string("Anna"),
            Value::floating(12.5),
            Value::date(Date::fromCivil(1987, 3, 1)),
            Value::boolean(true),
            Value::string("memo"),
            Value(),
            Value::integer(7)};
}

struct Case {
    const char* expression;
    const char* result;  // Value::toText() of the result
};
std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.expression; }

class ExpressionResult : public ::testing::TestWithParam<Case> {};

TEST_P(ExpressionResult, EvaluatesAsDbaseDoes) {
    const DbaseExpression expression(GetParam().expression, fields());
    const Record values = sample();
    ExpressionContext context{&values, 42, false};
    EXPECT_EQ(expression.evaluate(context).toText(), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Operators, ExpressionResult,
    ::testing::Values(Case{"NAME", "Smith     "}, Case{"name+first", "Smith     Anna  "},
                      Case{"NAME-FIRST", "SmithAnna       "}, Case{"AMOUNT+1", "13.5"}, Case{"AMOUNT*2-5", "20"},
                      Case{"-AMOUNT", "-12.5"}, Case{"AMOUNT/0", "0"}, Case{"BORN+1", "1987-03-02"},
                      Case{"BORN-1", "1987-02-28"}, Case{"BORN-BORN", "0"}, Case{"(1+2)*3", "9"},
                      Case{"NAME = 'Smi'", "True"}, Case{"NAME == 'Smi'", "False"}, Case{"AMOUNT > 12", "True"},
                      Case{"AMOUNT <= 12", "False"}, Case{"AMOUNT <> 12.5", "False"}, Case{"AMOUNT # 1", "True"},
                      Case{"'mit' $ NAME", "True"}, Case{"ACTIVE .AND. AMOUNT > 100", "False"},
                      Case{"ACTIVE .OR. AMOUNT > 100", "True"}, Case{".NOT. ACTIVE", "False"}, Case{"!ACTIVE", "False"},
                      Case{".T. .AND. .F.", "False"}, Case{"contact_type_id + 1", "8"}));

INSTANTIATE_TEST_SUITE_P(
    Functions, ExpressionResult,
    ::testing::Values(Case{"UPPER(FIRST)", "ANNA  "}, Case{"LOWER(NAME)", "smith     "}, Case{"DTOS(BORN)", "19870301"},
                      Case{"DTOC(BORN)", "03/01/87"}, Case{"STR(AMOUNT)", "        13"},
                      Case{"STR(AMOUNT,6,2)", " 12.50"}, Case{"STR(123456,3)", "***"}, Case{"SUBSTR(NAME,2,3)", "mit"},
                      Case{"SUBSTR(NAME,4)", "th     "}, Case{"LEFT(NAME,2)", "Sm"}, Case{"RIGHT(TRIM(NAME),2)", "th"},
                      Case{"TRIM(NAME)+'!'", "Smith!"}, Case{"RTRIM(NAME)", "Smith"}, Case{"LTRIM('  a ')", "a "},
                      Case{"ALLTRIM('  a ')", "a"}, Case{"VAL(' 12.5xyz')", "12.5"},
                      Case{"IIF(ACTIVE, 'yes', 'no')", "yes"}, Case{"IIF(AMOUNT > 20, 1, 2)", "2"},
                      Case{"RECNO()", "42"}, Case{"DELETED()", "False"},
                      Case{"UPPER(NAME)+DTOS(BORN)", "SMITH     19870301"}, Case{"[bracketed]", "bracketed"}));

TEST(ExpressionBlanks, NullFieldsReadAsDbaseBlanks) {
    const DbaseExpression text("NAME+DTOS(BORN)", fields());
    const DbaseExpression number("AMOUNT+1", fields());
    const Record blanks(fields().size());
    ExpressionContext context{&blanks, 1, true};
    EXPECT_EQ(text.evaluate(context).asString(), std::string(18, ' '));
    EXPECT_EQ(number.evaluate(context).asDouble(), 1.0);
    EXPECT_TRUE(DbaseExpression("DELETED()", fields()).evaluate(context).asBool());
}

TEST(ExpressionShape, ReportsItsTypeAndFields) {
    EXPECT_EQ(DbaseExpression("name", fields()).singleField(), 0);
    EXPECT_EQ(DbaseExpression("UPPER(NAME)", fields()).singleField(), -1);
    EXPECT_EQ(DbaseExpression("FIRST+NAME+FIRST", fields()).fieldsUsed(), (std::vector<int>{1, 0}));
    EXPECT_EQ(DbaseExpression("DTOS(BORN)", fields()).type(), ExpressionType::String);
    EXPECT_EQ(DbaseExpression("BORN+1", fields()).type(), ExpressionType::Date);
    EXPECT_EQ(DbaseExpression("AMOUNT", fields()).type(), ExpressionType::Number);
}

class ExpressionFault : public ::testing::TestWithParam<const char*> {};

TEST_P(ExpressionFault, IsRefusedWithTheExpressionNamed) {
    try {
        DbaseExpression(GetParam(), fields());
        FAIL() << GetParam() << " was accepted";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kValue);
        EXPECT_NE(e.message().find(GetParam()), std::string::npos) << e.message();
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, ExpressionFault,
                         ::testing::Values("NOSUCH", "UPPER(AMOUNT)", "NAME+AMOUNT", "FOO(NAME)", "(NAME", "'open",
                                           "NAME +", "SUBSTR(NAME)", "IIF(ACTIVE, 1, 'a')", "PICTURE", "AMOUNT = NAME",
                                           "BORN*2", "NAME )", "DTOS(NAME)"));

}  // namespace
