#pragma once
// Calendar values in the proleptic Gregorian calendar with astronomical years (year 0 = 1 BC).
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tabulon {

struct CivilDate {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
};

// A day, counted from 1970-01-01 (day 0).
struct Date {
    std::int32_t days = 0;

    // Throws EValueError for a day that does not exist (2023-02-29).
    static Date fromCivil(int year, int month, int day);
    CivilDate toCivil() const;
    // "YYYY-MM-DD"; years before 1 as "-0001-12-31" (astronomical), years over 9999 in full.
    std::string toText() const;
    void appendText(std::string& out) const;
    // Accepts the toText() form. Throws EValueError.
    static Date parse(std::string_view text);
    auto operator<=>(const Date&) const = default;
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);

// A time of day in milliseconds, 0..86'399'999.
struct Time {
    std::int32_t milliseconds = 0;

    static Time fromParts(int hour, int minute, int second, int millisecond = 0);
    // "HH:MM:SS.mmm"
    std::string toText() const;
    void appendText(std::string& out) const;
    // "HH:MM", "HH:MM:SS" or "HH:MM:SS.f..." (fraction rounded to milliseconds). Throws EValueError.
    static Time parse(std::string_view text);
    auto operator<=>(const Time&) const = default;
};

// A moment in milliseconds from 1970-01-01T00:00:00.000, without time zone.
struct Timestamp {
    std::int64_t milliseconds = 0;

    static Timestamp fromParts(Date date, Time time);
    Date date() const;
    Time time() const;
    // "YYYY-MM-DDTHH:MM:SS.mmm"
    std::string toText() const;
    void appendText(std::string& out) const;
    // "YYYY-MM-DD", "YYYY-MM-DDTHH:MM[:SS[.f]]" or with a blank for the T. Throws EValueError.
    static Timestamp parse(std::string_view text);
    auto operator<=>(const Timestamp&) const = default;
};

inline constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

}  // namespace tabulon
