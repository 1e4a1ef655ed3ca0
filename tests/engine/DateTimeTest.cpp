#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "core/EngineError.h"

using namespace tabulon;

TEST(Date, CountsDaysFromTheUnixEpoch) {
    EXPECT_EQ(Date::fromCivil(1970, 1, 1).days, 0);
    EXPECT_EQ(Date::fromCivil(2000, 3, 1).days, 11017);
    EXPECT_EQ(Date::fromCivil(1969, 12, 31).days, -1);
    // 0001-01-01 is day 1 of the count Paradox stores.
    EXPECT_EQ(Date::fromCivil(1, 1, 1).days, -719162);
}

TEST(Date, TextRoundTripsIncludingYearsBeforeOne) {
    for (const char* text : {"1970-01-01", "2024-02-29", "0001-01-01", "0000-12-31", "-0001-12-31", "9999-12-31",
                             "1900-02-28", "-0044-03-15", "12345-06-07", "-12345-06-07"}) {
        const Date d = Date::parse(text);
        EXPECT_EQ(d.toText(), text);
    }
    // The day before 0001-01-01 is in astronomical year 0.
    EXPECT_EQ(Date{Date::fromCivil(1, 1, 1).days - 1}.toText(), "0000-12-31");
    EXPECT_EQ(Date{Date::fromCivil(0, 1, 1).days - 1}.toText(), "-0001-12-31");
}

TEST(Date, LeapYearsFollowTheGregorianRule) {
    EXPECT_TRUE(isLeapYear(2000));
    EXPECT_FALSE(isLeapYear(1900));
    EXPECT_TRUE(isLeapYear(2024));
    EXPECT_TRUE(isLeapYear(0));
    EXPECT_TRUE(isLeapYear(-4));
    EXPECT_NO_THROW(Date::fromCivil(2000, 2, 29));
    EXPECT_THROW(Date::fromCivil(1900, 2, 29), EngineError);
    EXPECT_THROW(Date::fromCivil(2023, 2, 29), EngineError);
}

TEST(Date, RefusesMalformedText) {
    for (const char* text : {"", "2023-13-01", "2023-00-10", "2023-04-31", "23-01-01", "2023/01/01", "2023-1-1",
                             "2023-01-01x", "01.02.2023"})
        EXPECT_THROW(Date::parse(text), EngineError) << text;
}

TEST(Time, TextRoundTripsAndRoundsFractions) {
    EXPECT_EQ(Time::parse("00:00:00.000").toText(), "00:00:00.000");
    EXPECT_EQ(Time::parse("23:59:59.999").toText(), "23:59:59.999");
    EXPECT_EQ(Time::parse("12:30").toText(), "12:30:00.000");
    EXPECT_EQ(Time::parse("12:30:15").toText(), "12:30:15.000");
    EXPECT_EQ(Time::parse("12:30:15.5").toText(), "12:30:15.500");
    EXPECT_EQ(Time::parse("12:30:15.1234").toText(), "12:30:15.123");
    EXPECT_EQ(Time::parse("12:30:15.1235").toText(), "12:30:15.124");
    for (const char* text : {"24:00", "12:60", "12:00:60", "1:00", "12:00:00.", "23:59:59.9999", "noon"})
        EXPECT_THROW(Time::parse(text), EngineError) << text;
    EXPECT_THROW(Time::fromParts(0, 0, 0, 1000), EngineError);
}

TEST(Timestamp, SplitsIntoDateAndTimeOnBothSidesOfTheEpoch) {
    const Timestamp before = Timestamp::parse("1969-12-31T23:59:59.999");
    EXPECT_EQ(before.milliseconds, -1);
    EXPECT_EQ(before.date().toText(), "1969-12-31");
    EXPECT_EQ(before.time().toText(), "23:59:59.999");
    EXPECT_EQ(Timestamp::parse("0001-01-01 00:00").toText(), "0001-01-01T00:00:00.000");
    EXPECT_EQ(Timestamp::parse("2024-02-29").toText(), "2024-02-29T00:00:00.000");
    EXPECT_EQ(Timestamp::parse("-0001-06-30T12:00:00.250").toText(), "-0001-06-30T12:00:00.250");
    EXPECT_THROW(Timestamp::parse("2024-02-29X10:00"), EngineError);
    EXPECT_THROW(Timestamp::parse("2024-02-29T"), EngineError);
}
