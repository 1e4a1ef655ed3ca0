// Values shown and read back under regional settings.
#include <gtest/gtest.h>

#include "core/EngineError.h"
#include "dataset/ValueText.h"

namespace tabulon {
namespace {

RegionalSettings german() {
    RegionalSettings s;
    s.decimalSeparator = ',';
    s.shortDateFormat = "dd.MM.yyyy";
    s.longTimeFormat = "hh:mm:ss";
    return s;
}

struct FormatCase {
    Value value;
    FieldType type;
    std::string us;
    std::string de;
};

class ValueFormatting : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ValueFormatting, RendersAndReadsBack) {
    FieldDef field{"F", GetParam().type, 40, 0, false, ""};
    EXPECT_EQ(formatFieldValue(GetParam().value, field, RegionalSettings{}), GetParam().us);
    EXPECT_EQ(formatFieldValue(GetParam().value, field, german()), GetParam().de);
    if (valueKindFor(GetParam().type) != ValueKind::Bytes) {
        EXPECT_EQ(parseFieldValue(GetParam().us, field, RegionalSettings{}), GetParam().value);
        EXPECT_EQ(parseFieldValue(GetParam().de, field, german()), GetParam().value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, ValueFormatting,
    ::testing::Values(
        FormatCase{Value(), ftString, "", ""}, FormatCase{Value::boolean(true), ftBoolean, "True", "True"},
        FormatCase{Value::boolean(false), ftBoolean, "False", "False"},
        FormatCase{Value::integer(-42), ftInteger, "-42", "-42"},
        FormatCase{Value::floating(1234.5), ftFloat, "1234.5", "1234,5"},
        FormatCase{Value::currency(0.25), ftCurrency, "0.25", "0,25"},
        FormatCase{Value::bcd(Decimal::parse("12.340")), ftBCD, "12.340", "12,340"},
        FormatCase{Value::date(Date::fromCivil(2024, 2, 9)), ftDate, "2/9/2024", "09.02.2024"},
        FormatCase{Value::time(Time::fromParts(15, 4, 5)), ftTime, "3:04:05 PM", "15:04:05"},
        FormatCase{Value::time(Time::fromParts(0, 30, 0)), ftTime, "12:30:00 AM", "00:30:00"},
        FormatCase{Value::timestamp(Timestamp::fromParts(Date::fromCivil(1999, 12, 31), Time::fromParts(23, 59, 58))),
                   ftDateTime, "12/31/1999 11:59:58 PM", "31.12.1999 23:59:58"},
        FormatCase{Value::string("memo text\nline 2"), ftMemo, "memo text\nline 2", "memo text\nline 2"},
        FormatCase{Value::bytes({1, 2}), ftGraphic, "(Graphic)", "(Graphic)"},
        FormatCase{Value::bytes({1, 2}), ftBlob, "(Blob)", "(Blob)"},
        FormatCase{Value::bytes({1}), ftBytes, "(Bytes)", "(Bytes)"}));

struct NumberCase {
    Value value;
    FieldType type;
    int width;
    int decimals;
    std::string us;
    std::string de;
};

class NumberFormatting : public ::testing::TestWithParam<NumberCase> {};

// Numbers read as the same number anywhere they are typed or imported: never in exponent form.
TEST_P(NumberFormatting, ShowsPlainDecimalsWithTheFieldsDecimals) {
    const NumberCase& c = GetParam();
    FieldDef field{"N", c.type, c.width, c.decimals, false, ""};
    EXPECT_EQ(formatFieldValue(c.value, field, RegionalSettings{}), c.us);
    EXPECT_EQ(formatFieldValue(c.value, field, german()), c.de);
    EXPECT_EQ(parseFieldValue(c.us, field, RegionalSettings{}), c.value);
}

INSTANTIATE_TEST_SUITE_P(Numbers, NumberFormatting,
                         ::testing::Values(NumberCase{Value::floating(100000), ftFloat, 10, 2, "100000.00",
                                                      "100000,00"},
                                           NumberCase{Value::floating(1000000), ftFloat, 9, 0, "1000000", "1000000"},
                                           NumberCase{Value::floating(-2.5), ftFloat, 10, 3, "-2.500", "-2,500"},
                                           NumberCase{Value::floating(1e20), ftFloat, 0, 0, "100000000000000000000",
                                                      "100000000000000000000"},
                                           NumberCase{Value::floating(1e-7), ftFloat, 0, 0, "0.0000001", "0,0000001"},
                                           NumberCase{Value::currency(2e6), ftCurrency, 0, 0, "2000000", "2000000"}));

struct BadText {
    FieldType type;
    int size;
    const char* text;
    const char* message;
};

class BadAssignment : public ::testing::TestWithParam<BadText> {};

TEST_P(BadAssignment, NamesTheFieldAndTheText) {
    FieldDef field{"TARGET", GetParam().type, GetParam().size, 0, false, ""};
    try {
        parseFieldValue(GetParam().text, field, RegionalSettings{});
        FAIL() << "converted";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kValue);
        EXPECT_NE(e.message().find(GetParam().message), std::string::npos) << e.message();
        EXPECT_NE(e.message().find("TARGET"), std::string::npos) << e.message();
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, BadAssignment,
                         ::testing::Values(BadText{ftInteger, 0, "12a", "'12a' is not a valid value"},
                                           BadText{ftSmallint, 0, "40000", "out of range"},
                                           BadText{ftFloat, 0, "1,5", "'1,5' is not a valid value"},
                                           BadText{ftDate, 0, "2/30/2024", "'2/30/2024'"},
                                           BadText{ftDate, 0, "yesterday", "'yesterday'"},
                                           BadText{ftTime, 0, "25:00", "'25:00'"},
                                           BadText{ftBoolean, 0, "maybe", "'maybe'"},
                                           BadText{ftString, 3, "long", "longer than the 3 characters"},
                                           BadText{ftBlob, 0, "x", "cannot be assigned from text"}));

TEST(ValueText, DatesAlsoReadInIsoFormAndTwoDigitYears) {
    FieldDef field{"D", ftDate, 0, 0, false, ""};
    EXPECT_EQ(parseFieldValue("2001-03-04", field, RegionalSettings{}).asDate(), Date::fromCivil(2001, 3, 4));
    RegionalSettings shortYear;
    shortYear.shortDateFormat = "M/d/yy";
    EXPECT_EQ(parseFieldValue("3/4/01", field, shortYear).asDate(), Date::fromCivil(2001, 3, 4));
    EXPECT_EQ(parseFieldValue("3/4/99", field, shortYear).asDate(), Date::fromCivil(1999, 3, 4));
    EXPECT_EQ(formatFieldValue(Value::date(Date::fromCivil(2001, 3, 4)), field, shortYear), "3/4/01");
}

TEST(ValueText, TimesMayLeaveOutSeconds) {
    FieldDef field{"T", ftTime, 0, 0, false, ""};
    EXPECT_EQ(parseFieldValue("10:30 PM", field, RegionalSettings{}).asTime(), Time::fromParts(22, 30, 0));
    EXPECT_EQ(parseFieldValue("7:05", field, RegionalSettings{}).asTime(), Time::fromParts(7, 5, 0));
}

}  // namespace
}  // namespace tabulon
