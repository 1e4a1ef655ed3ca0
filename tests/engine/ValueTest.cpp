#include <gtest/gtest.h>

#include <cmath>

#include "core/Base64.h"
#include "core/EngineError.h"
#include "core/Value.h"

using namespace tabulon;

TEST(Value, CanonicalTextRoundTripsForEveryKind) {
    const std::pair<ValueKind, const char*> cases[] = {
        {ValueKind::Boolean, "True"},
        {ValueKind::Boolean, "False"},
        {ValueKind::Integer, "-9223372036854775808"},
        {ValueKind::Float, "0.1"},
        {ValueKind::Float, "-2.5"},
        {ValueKind::Currency, "1234.56"},
        {ValueKind::Bcd, "-12.3400"},
        {ValueKind::String, "Grüße, \"quoted\"\nnext line"},
        {ValueKind::Date, "-0001-12-31"},
        {ValueKind::Time, "08:05:03.007"},
        {ValueKind::Timestamp, "2001-09-09T01:46:40.000"},
        {ValueKind::Bytes, "AAEC/w=="},
    };
    for (auto [kind, text] : cases) {
        const Value v = Value::fromText(kind, text);
        EXPECT_EQ(v.kind(), kind) << text;
        EXPECT_EQ(v.toText(), text);
    }
    EXPECT_TRUE(Value::fromText(ValueKind::Integer, "").isNull());
    EXPECT_EQ(Value().toText(), "");
}

// Numbers as a spreadsheet or a database import reads them: the shortest digits that give the
// same double back, never in exponent form.
TEST(Value, FloatTextIsShortestFixedNotation) {
    const std::pair<double, std::string> cases[] = {
        {100000.0, "100000"},
        {1e6, "1000000"},
        {6.1e-08, "0.000000061"},
        {0.1 + 0.2, "0.30000000000000004"},
        {-1234.5, "-1234.5"},
        {1e300, "1" + std::string(300, '0')},
        {5e-324, "0." + std::string(323, '0') + "5"},
        // Around the quick path for numbers with a few decimals: its last scale and magnitude,
        // and neighbours of short decimals that need every digit.
        {999999999999999.9, "999999999999999.9"},
        {1e-15, "0.000000000000001"},
        {1.5e-16, "0.00000000000000015"},
        {9007199254740992.0, "9007199254740992"},
        {std::nextafter(0.1, 1.0), "0.10000000000000002"},
        {2.675, "2.675"},
        {-0.0, "-0"},
    };
    for (const auto& [number, text] : cases) {
        EXPECT_EQ(Value::floating(number).toText(), text);
        EXPECT_EQ(Value::currency(number).toText(), text);
        EXPECT_EQ(Value::fromText(ValueKind::Float, text).asDouble(), number) << text;
    }
}

TEST(Value, FromTextRefusesWhatDoesNotConvertAndNamesTheText) {
    const std::pair<ValueKind, const char*> cases[] = {
        {ValueKind::Integer, "12.5"},    {ValueKind::Integer, "12a"}, {ValueKind::Integer, "99999999999999999999"},
        {ValueKind::Float, "1,5"},       {ValueKind::Float, "inf"},   {ValueKind::Boolean, "maybe"},
        {ValueKind::Date, "31.12.2020"}, {ValueKind::Bytes, "A=AA"},  {ValueKind::Bcd, "1e3"},
    };
    for (auto [kind, text] : cases) {
        try {
            Value::fromText(kind, text);
            ADD_FAILURE() << text << " converted";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.kind(), "EValueError");
            EXPECT_NE(e.message().find(text), std::string::npos) << e.message();
        }
    }
}

TEST(Value, BooleanTextAcceptsTheUsualSpellings) {
    for (const char* yes : {"true", "T", "Yes", "y", "1"})
        EXPECT_TRUE(Value::fromText(ValueKind::Boolean, yes).asBool()) << yes;
    for (const char* no : {"FALSE", "f", "no", "N", "0"})
        EXPECT_FALSE(Value::fromText(ValueKind::Boolean, no).asBool()) << no;
}

TEST(Value, TypedAccessRefusesOtherKinds) {
    EXPECT_THROW(Value::integer(1).asString(), EngineError);
    EXPECT_THROW(Value().asInt(), EngineError);
    EXPECT_THROW(Value::string("1").asDouble(), EngineError);
    EXPECT_DOUBLE_EQ(Value::integer(3).asDouble(), 3.0);
    EXPECT_DOUBLE_EQ(Value::bcd(Decimal::parse("2.5")).asDouble(), 2.5);
}

TEST(Value, ConvertsBetweenKinds) {
    EXPECT_EQ(Value::integer(7).convertTo(ValueKind::Bcd).toText(), "7");
    EXPECT_EQ(Value::floating(2.25).convertTo(ValueKind::Bcd).toText(), "2.25");
    EXPECT_EQ(Value::floating(4.0).convertTo(ValueKind::Integer).asInt(), 4);
    EXPECT_THROW(Value::floating(4.5).convertTo(ValueKind::Integer), EngineError);
    EXPECT_EQ(Value::timestamp(Timestamp::parse("2020-05-06T07:08:09.010")).convertTo(ValueKind::Date).toText(),
              "2020-05-06");
    EXPECT_EQ(Value::date(Date::parse("2020-05-06")).convertTo(ValueKind::Timestamp).toText(),
              "2020-05-06T00:00:00.000");
    EXPECT_EQ(Value::string("42").convertTo(ValueKind::Integer).asInt(), 42);
    EXPECT_EQ(Value::integer(42).convertTo(ValueKind::String).asString(), "42");
    EXPECT_TRUE(Value().convertTo(ValueKind::Date).isNull());
}

TEST(Value, OrdersNullFirstAndNumbersByValue) {
    EXPECT_LT(Value().compare(Value::integer(-5)), 0);
    EXPECT_EQ(Value().compare(Value()), 0);
    EXPECT_LT(Value::integer(2).compare(Value::floating(2.5)), 0);
    EXPECT_EQ(Value::bcd(Decimal::parse("2.50")).compare(Value::floating(2.5)), 0);
    EXPECT_GT(Value::bcd(Decimal::parse("3")).compare(Value::integer(2)), 0);
    EXPECT_LT(Value::string("ABC").compare(Value::string("ABD")), 0);
    EXPECT_LT(Value::date(Date::parse("-0001-01-01")).compare(Value::date(Date::parse("0001-01-01"))), 0);
}

TEST(Base64, EncodesAndDecodesAllPaddingLengths) {
    const std::vector<std::pair<std::vector<std::uint8_t>, std::string>> cases = {
        {{}, ""},
        {{'f'}, "Zg=="},
        {{'f', 'o'}, "Zm8="},
        {{'f', 'o', 'o'}, "Zm9v"},
        {{0xFF, 0x00, 0x80, 0x7F}, "/wCAfw=="}};
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(base64Encode(bytes), text);
        EXPECT_EQ(base64Decode(text), bytes);
    }
    for (const char* bad : {"Zg=", "Z===", "Zg==Zg==", "Zm9*", "=Zm9"})
        EXPECT_FALSE(base64Decode(bad).has_value()) << bad;
}
