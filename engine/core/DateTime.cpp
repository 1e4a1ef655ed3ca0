#include "DateTime.h"

#include <charconv>
#include <cstdio>

#include "EngineError.h"

namespace tabulon {

namespace {
// Days from 1970-01-01 to a civil date and back (the era-based algorithms of H. Hinnant).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

CivilDate civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

[[noreturn]] void badText(std::string_view what, std::string_view text) {
    throw EngineError(errkind::kValue, "'" + std::string(text) + "' is not a valid " + std::string(what));
}

// Reads an unsigned number of exactly `width` digits (or at least `width` when `atLeast`).
bool readNumber(std::string_view& text, std::size_t width, int& out, bool atLeast = false) {
    std::size_t n = 0;
    while (n < text.size() && text[n] >= '0' && text[n] <= '9') ++n;
    if (n < width || (!atLeast && n != width) || n > 9) return false;
    std::from_chars(text.data(), text.data() + n, out);
    text.remove_prefix(n);
    return true;
}

bool readChar(std::string_view& text, char c) {
    if (text.empty() || text[0] != c) return false;
    text.remove_prefix(1);
    return true;
}

std::string twoDigits(int v) {
    char buffer[4];
    std::snprintf(buffer, sizeof buffer, "%02d", v);
    return buffer;
}

// Appends `v` as printf's "%0<width>d" writes it: zeros after the sign up to `width` characters.
void appendPadded(std::string& out, std::int64_t v, std::size_t width) {
    if (v < 0) {
        out += '-';
        --width;
    }
    char buffer[24];
    const std::uint64_t magnitude = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    const auto count = static_cast<std::size_t>(std::to_chars(buffer, buffer + sizeof buffer, magnitude).ptr - buffer);
    if (count < width) out.append(width - count, '0');
    out.append(buffer, count);
}

// Parses "YYYY-MM-DD" at the front of `text`, leaving the rest.
bool readDate(std::string_view& text, Date& out) {
    const bool negative = readChar(text, '-');
    int year = 0, month = 0, day = 0;
    if (!readNumber(text, 4, year, true) || !readChar(text, '-') || !readNumber(text, 2, month) ||
        !readChar(text, '-') || !readNumber(text, 2, day))
        return false;
    if (negative) year = -year;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return false;
    out = Date::fromCivil(year, month, day);
    return true;
}

bool readTime(std::string_view& text, Time& out) {
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    if (!readNumber(text, 2, hour) || !readChar(text, ':') || !readNumber(text, 2, minute)) return false;
    if (readChar(text, ':')) {
        if (!readNumber(text, 2, second)) return false;
        if (readChar(text, '.')) {
            // Up to nine fraction digits, rounded to milliseconds.
            std::size_t n = 0;
            long long fraction = 0;
            while (n < text.size() && n < 9 && text[n] >= '0' && text[n] <= '9')
                fraction = fraction * 10 + (text[n++] - '0');
            if (n == 0) return false;
            text.remove_prefix(n);
            for (std::size_t i = n; i < 9; ++i) fraction *= 10;
            millisecond = static_cast<int>((fraction + 500'000) / 1'000'000);
        }
    }
    if (hour > 23 || minute > 59 || second > 59) return false;
    const long long total = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    if (total >= kMillisecondsPerDay) return false;  // 23:59:59.9995 rounds past midnight
    out = Time{static_cast<std::int32_t>(total)};
    return true;
}
}  // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

Date Date::fromCivil(int year, int month, int day) {
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || year < -999'999 || year > 999'999)
        throw EngineError(errkind::kValue, "There is no day " + std::to_string(year) + "-" + std::to_string(month) +
                                               "-" + std::to_string(day));
    return Date{
        static_cast<std::int32_t>(daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)))};
}

CivilDate Date::toCivil() const { return civilFromDays(days); }

std::string Date::toText() const {
    std::string out;
    appendText(out);
    return out;
}

void Date::appendText(std::string& out) const {
    const CivilDate c = toCivil();
    appendPadded(out, c.year, c.year < 0 ? 5 : 4);
    out += '-';
    appendPadded(out, c.month, 2);
    out += '-';
    appendPadded(out, c.day, 2);
}

Date Date::parse(std::string_view text) {
    std::string_view rest = text;
    Date date;
    if (!readDate(rest, date) || !rest.empty()) badText("date", text);
    return date;
}

Time Time::fromParts(int hour, int minute, int second, int millisecond) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
        millisecond > 999)
        throw EngineError(errkind::kValue,
                          "There is no time " + twoDigits(hour) + ":" + twoDigits(minute) + ":" + twoDigits(second));
    return Time{((hour * 60 + minute) * 60 + second) * 1000 + millisecond};
}

std::string Time::toText() const {
    std::string out;
    appendText(out);
    return out;
}

void Time::appendText(std::string& out) const {
    const int totalSeconds = milliseconds / 1000;
    appendPadded(out, totalSeconds / 3600, 2);
    out += ':';
    appendPadded(out, totalSeconds / 60 % 60, 2);
    out += ':';
    appendPadded(out, totalSeconds % 60, 2);
    out += '.';
    appendPadded(out, milliseconds % 1000, 3);
}

Time Time::parse(std::string_view text) {
    std::string_view rest = text;
    Time time;
    if (!readTime(rest, time) || !rest.empty()) badText("time", text);
    return time;
}

Timestamp Timestamp::fromParts(Date date, Time time) {
    return Timestamp{date.days * kMillisecondsPerDay + time.milliseconds};
}

Date Timestamp::date() const {
    std::int64_t days = milliseconds / kMillisecondsPerDay;
    if (milliseconds % kMillisecondsPerDay < 0) --days;
    return Date{static_cast<std::int32_t>(days)};
}

Time Timestamp::time() const {
    std::int64_t ms = milliseconds % kMillisecondsPerDay;
    if (ms < 0) ms += kMillisecondsPerDay;
    return Time{static_cast<std::int32_t>(ms)};
}

std::string Timestamp::toText() const {
    std::string out;
    appendText(out);
    return out;
}

void Timestamp::appendText(std::string& out) const {
    date().appendText(out);
    out += 'T';
    time().appendText(out);
}

Timestamp Timestamp::parse(std::string_view text) {
    std::string_view rest = text;
    Date date;
    Time time;
    if (!readDate(rest, date)) badText("timestamp", text);
    if (!rest.empty() &&
        ((rest[0] != 'T' && rest[0] != ' ') || (rest.remove_prefix(1), !readTime(rest, time)) || !rest.empty()))
        badText("timestamp", text);
    return fromParts(date, time);
}

}  // namespace tabulon
