#include <gtest/gtest.h>

#include "core/Decimal.h"
#include "core/EngineError.h"

using namespace tabulon;

TEST(Decimal, ParsesAndFormatsKeepingTheScale) {
    const std::pair<const char*, const char*> cases[] = {
        {"0", "0"},
        {"-0", "0"},
        {"12.340", "12.340"},
        {"+5", "5"},
        {".5", "0.5"},
        {"7.", "7"},
        {"-0.001", "-0.001"},
        {"000123.4", "123.4"},
        {"99999999999999999999999999999999", "99999999999999999999999999999999"},
        {"-0.00000000000000000000000000000001", "-0.00000000000000000000000000000001"},
    };
    for (auto [text, expected] : cases) EXPECT_EQ(Decimal::parse(text).toString(), expected) << text;
}

TEST(Decimal, RefusesTextThatIsNotADecimal) {
    for (const char* text : {"", "-", ".", "1.2.3", "1e5", " 1", "1 ", "abc", "--1", "1,5"})
        EXPECT_THROW(Decimal::parse(text), EngineError) << text;
    // 33 significant digits do not fit.
    EXPECT_THROW(Decimal::parse("123456789012345678901234567890123"), EngineError);
    try {
        Decimal::parse("x1");
        FAIL();
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), "EValueError");
        EXPECT_NE(e.message().find("'x1'"), std::string::npos);
    }
}

TEST(Decimal, ArithmeticIsExact) {
    // 0.1 + 0.2 is exactly 0.3, unlike binary floating point.
    EXPECT_EQ((Decimal::parse("0.1") + Decimal::parse("0.2")).toString(), "0.3");
    EXPECT_EQ((Decimal::parse("1.05") - Decimal::parse("2.1")).toString(), "-1.05");
    EXPECT_EQ((Decimal::parse("-1.5") * Decimal::parse("-2.25")).toString(), "3.375");
    EXPECT_EQ((Decimal::parse("12345678901234567890.123456789012") + Decimal::parse("0.000000000001")).toString(),
              "12345678901234567890.123456789013");
    EXPECT_EQ((Decimal::parse("5") - Decimal::parse("5")).toString(), "0");
    EXPECT_FALSE((Decimal::parse("5") - Decimal::parse("5.00")).negative());
}

TEST(Decimal, OverflowThrowsInsteadOfLosingDigits) {
    const Decimal big = Decimal::parse("99999999999999999999999999999999");
    EXPECT_THROW(big + Decimal::parse("1"), EngineError);
    EXPECT_THROW(big * Decimal::parse("10"), EngineError);
    EXPECT_THROW(Decimal::parse("1").rounded(33), EngineError);
}

TEST(Decimal, RoundsHalfAwayFromZero) {
    EXPECT_EQ(Decimal::parse("2.345").rounded(2).toString(), "2.35");
    EXPECT_EQ(Decimal::parse("-2.345").rounded(2).toString(), "-2.35");
    EXPECT_EQ(Decimal::parse("2.344").rounded(2).toString(), "2.34");
    EXPECT_EQ(Decimal::parse("0.4").rounded(0).toString(), "0");
    EXPECT_EQ(Decimal::parse("1.5").rounded(4).toString(), "1.5000");
    EXPECT_EQ(Decimal::parse("1").divide(Decimal::parse("3"), 5).toString(), "0.33333");
    EXPECT_EQ(Decimal::parse("2").divide(Decimal::parse("3"), 2).toString(), "0.67");
    EXPECT_EQ(Decimal::parse("-7.5").divide(Decimal::parse("2"), 0).toString(), "-4");
    EXPECT_EQ(Decimal::parse("1.000000").divide(Decimal::parse("0.001"), 0).toString(), "1000");
    EXPECT_THROW(Decimal::parse("1").divide(Decimal::parse("0.00"), 2), EngineError);
}

TEST(Decimal, ComparesByValueAcrossScales) {
    EXPECT_EQ(Decimal::parse("1.50"), Decimal::parse("1.5"));
    EXPECT_LT(Decimal::parse("-2"), Decimal::parse("-1.99"));
    EXPECT_LT(Decimal::parse("0.09999999999999999999999999999999"), Decimal::parse("0.1"));
    EXPECT_GT(Decimal::parse("10"), Decimal::parse("9.99999"));
    EXPECT_EQ(Decimal::parse("-0.0"), Decimal::parse("0"));
}

TEST(Decimal, ConvertsFromAndToDouble) {
    EXPECT_EQ(Decimal::fromDouble(0.1).toString(), "0.1");
    EXPECT_EQ(Decimal::fromDouble(1234.5678, 2).toString(), "1234.57");
    EXPECT_EQ(Decimal::fromDouble(-3.0).toString(), "-3");
    EXPECT_DOUBLE_EQ(Decimal::parse("-1234.5678").toDouble(), -1234.5678);
    EXPECT_THROW(Decimal::fromDouble(1e40), EngineError);
    EXPECT_EQ(Decimal::fromInt(INT64_MIN).toString(), "-9223372036854775808");
}
