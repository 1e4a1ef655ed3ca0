#include "ValueText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "../core/AsciiCase.h"
#include "../core/EngineError.h"

namespace tabulon {

namespace {
// A format cut into runs of one pattern letter ("yyyy") and single literal characters.
struct FormatToken {
    char letter = 0;  // 0 for a literal; 'A' for AMPM
    std::size_t count = 0;
    char literal = 0;
};

std::vector<FormatToken> tokenize(const std::string& format, std::string_view letters) {
    std::vector<FormatToken> tokens;
    for (std::size_t i = 0; i < format.size();) {
        if (format.compare(i, 4, "AMPM") == 0) {
            tokens.push_back({'A', 4, 0});
            i += 4;
            continue;
        }
        const char c = format[i];
        if (letters.find(c) == std::string_view::npos) {
            tokens.push_back({0, 1, c});
            ++i;
            continue;
        }
        std::size_t run = 1;
        while (i + run < format.size() && format[i + run] == c) ++run;
        tokens.push_back({c, run, 0});
        i += run;
    }
    return tokens;
}

bool twelveHour(const std::vector<FormatToken>& tokens) {
    for (const auto& t : tokens)
        if (t.letter == 'A') return true;
    return false;
}

std::string padded(long value, std::size_t width) {
    std::string digits = std::to_string(std::labs(value));
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return (value < 0 ? "-" : "") + digits;
}

// Reads up to `maxDigits` digits at `pos`; false when there is none.
bool readNumber(std::string_view text, std::size_t& pos, std::size_t maxDigits, int& out) {
    std::size_t start = pos;
    out = 0;
    while (pos < text.size() && pos - start < maxDigits && std::isdigit(static_cast<unsigned char>(text[pos])))
        out = out * 10 + (text[pos++] - '0');
    return pos > start;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

// A double in fixed notation: with `decimals` digits after the point or, when that is
// negative, in the fewest digits that read back as the same value.
std::string fixedText(double value, int decimals) {
    // Room for the 309 integer digits of the largest double, or the leading zeros of the least.
    char buffer[1100];
    const auto [end, error] =
        decimals >= 0 ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals)
                      : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return error == std::errc() ? std::string(buffer, end) : std::string();
}

std::string numberText(const Value& value, const FieldDef& field, char separator) {
    std::string text;
    switch (value.kind()) {
        case ValueKind::Bcd:
            text = value.asDecimal().toString();
            break;
        case ValueKind::Float:
        case ValueKind::Currency:
            text = fixedText(value.asDouble(), field.decimals > 0 ? std::min(field.decimals, 99) : -1);
            break;
        default:
            text = value.toText();
    }
    if (separator != '.')
        for (char& c : text)
            if (c == '.') c = separator;
    return text;
}

[[noreturn]] void notAValue(std::string_view text, const FieldDef& field) {
    throw EngineError(errkind::kValue, "'" + std::string(text) + "' is not a valid value for field " + field.name);
}

double readDouble(std::string_view text, const FieldDef& field, char separator) {
    std::string plain(text);
    for (char& c : plain)
        if (c == separator) c = '.';
    if (!plain.empty() && plain.front() == '+') plain.erase(0, 1);
    double value = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (plain.empty() || error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
        notAValue(text, field);
    return value;
}

Value readInteger(std::string_view text, const FieldDef& field) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) notAValue(text, field);
    std::int64_t low = std::numeric_limits<std::int32_t>::min(), high = std::numeric_limits<std::int32_t>::max();
    if (field.type == ftSmallint) low = -32768, high = 32767;
    if (field.type == ftWord) low = 0, high = 65535;
    if (value < low || value > high)
        throw EngineError(errkind::kValue, "'" + std::string(text) + "' is out of range for field " + field.name);
    return Value::integer(value);
}

std::optional<Timestamp> readTimestamp(std::string_view text, const RegionalSettings& settings) {
    const auto blank = text.find(' ');
    Date day;
    if (!parseDate(text.substr(0, blank), settings.shortDateFormat, day)) return std::nullopt;
    Time moment;
    if (blank != std::string_view::npos && !parseTime(trimmed(text.substr(blank + 1)), settings.longTimeFormat, moment))
        return std::nullopt;
    return Timestamp::fromParts(day, moment);
}
}  // namespace

std::string formatDate(Date date, const std::string& format) {
    const CivilDate civil = date.toCivil();
    std::string text;
    for (const auto& t : tokenize(format, "dMy")) {
        if (t.letter == 'd')
            text += padded(civil.day, t.count >= 2 ? 2 : 1);
        else if (t.letter == 'M')
            text += padded(civil.month, t.count >= 2 ? 2 : 1);
        else if (t.letter == 'y')
            text += t.count <= 2 ? padded(((civil.year % 100) + 100) % 100, 2) : padded(civil.year, 4);
        else
            text += t.literal;
    }
    return text;
}

std::string formatTime(Time time, const std::string& format) {
    const auto tokens = tokenize(format, "hmsz");
    const bool ampm = twelveHour(tokens);
    const int ms = time.milliseconds;
    const int hour = ms / 3'600'000, minute = ms / 60'000 % 60, second = ms / 1000 % 60;
    std::string text;
    for (const auto& t : tokens) {
        if (t.letter == 'h')
            text += padded(ampm ? (hour % 12 == 0 ? 12 : hour % 12) : hour, t.count >= 2 ? 2 : 1);
        else if (t.letter == 'm')
            text += padded(minute, t.count >= 2 ? 2 : 1);
        else if (t.letter == 's')
            text += padded(second, t.count >= 2 ? 2 : 1);
        else if (t.letter == 'z')
            text += padded(ms % 1000, 3);
        else if (t.letter == 'A')
            text += hour < 12 ? "AM" : "PM";
        else
            text += t.literal;
    }
    return text;
}

bool parseDate(std::string_view text, const std::string& format, Date& out) {
    text = trimmed(text);
    try {
        if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
            out = Date::parse(text);
            return true;
        }
        int day = 0, month = 0, year = 0;
        std::size_t pos = 0;
        for (const auto& t : tokenize(format, "dMy")) {
            if (t.letter == 0) {
                if (pos >= text.size() || text[pos] != t.literal) return false;
                ++pos;
                continue;
            }
            int number = 0;
            const std::size_t start = pos;
            if (!readNumber(text, pos, t.letter == 'y' ? 4 : 2, number)) return false;
            if (t.letter == 'd') day = number;
            if (t.letter == 'M') month = number;
            if (t.letter == 'y') year = pos - start <= 2 ? (number < 50 ? 2000 + number : 1900 + number) : number;
        }
        if (pos != text.size()) return false;
        out = Date::fromCivil(year, month, day);
        return true;
    } catch (const EngineError&) {
        return false;
    }
}

bool parseTime(std::string_view text, const std::string& format, Time& out) {
    text = trimmed(text);
    const auto tokens = tokenize(format, "hmsz");
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    std::optional<bool> afternoon;
    std::size_t pos = 0;
    for (const auto& t : tokens) {
        if (pos >= text.size()) break;  // seconds and what follows may be left out
        if (t.letter == 0) {
            if (t.literal == ' ') {
                while (pos < text.size() && text[pos] == ' ') ++pos;
            } else if (text[pos] == t.literal) {
                ++pos;
            } else if (t.literal == ':' && text[pos] == ' ') {
                continue;  // "10:30 PM" against "h:mm:ss AMPM"
            } else {
                return false;
            }
            continue;
        }
        if (t.letter == 'A') {
            const auto rest = text.substr(pos, 2);
            if (equalsIgnoringAsciiCase(rest, "AM"))
                afternoon = false;
            else if (equalsIgnoringAsciiCase(rest, "PM"))
                afternoon = true;
            else
                return false;
            pos += 2;
            continue;
        }
        if (std::isdigit(static_cast<unsigned char>(text[pos])) == 0) {
            if (t.letter == 's' || t.letter == 'z') continue;
            return false;
        }
        int number = 0;
        readNumber(text, pos, t.letter == 'z' ? 3 : 2, number);
        if (t.letter == 'h') hour = number;
        if (t.letter == 'm') minute = number;
        if (t.letter == 's') second = number;
        if (t.letter == 'z') millisecond = number;
    }
    if (pos != text.size()) return false;
    if (afternoon) {
        if (hour < 1 || hour > 12) return false;
        hour = hour % 12 + (*afternoon ? 12 : 0);
    }
    if (hour > 23 || minute > 59 || second > 59) return false;
    out = Time::fromParts(hour, minute, second, millisecond);
    return true;
}

std::string formatFieldValue(const Value& value, const FieldDef& field, const RegionalSettings& settings) {
    if (value.isNull()) return {};
    switch (value.kind()) {
        case ValueKind::Boolean:
            return value.asBool() ? "True" : "False";
        case ValueKind::Integer:
        case ValueKind::Float:
        case ValueKind::Currency:
        case ValueKind::Bcd:
            return numberText(value, field, settings.decimalSeparator);
        case ValueKind::Date:
            return formatDate(value.asDate(), settings.shortDateFormat);
        case ValueKind::Time:
            return formatTime(value.asTime(), settings.longTimeFormat);
        case ValueKind::Timestamp:
            return formatDate(value.asTimestamp().date(), settings.shortDateFormat) + " " +
                   formatTime(value.asTimestamp().time(), settings.longTimeFormat);
        case ValueKind::Bytes:
            switch (field.type) {
                case ftGraphic:
                    return "(Graphic)";
                case ftParadoxOle:
                case ftDBaseOle:
                    return "(OLE)";
                case ftBytes:
                case ftVarBytes:
                    return "(Bytes)";
                default:
                    return "(Blob)";
            }
        default:
            return value.asString();
    }
}

Value parseFieldValue(std::string_view text, const FieldDef& field, const RegionalSettings& settings) {
    if (text.empty()) return Value();
    const std::string_view bare = trimmed(text);
    switch (valueKindFor(field.type)) {
        case ValueKind::String:
            if (field.size > 0 && !isBlobType(field.type) && text.size() > static_cast<std::size_t>(field.size))
                throw EngineError(errkind::kValue, "'" + std::string(text) + "' is longer than the " +
                                                       std::to_string(field.size) + " characters of field " +
                                                       field.name);
            return Value::string(std::string(text));
        case ValueKind::Boolean:
            for (const char* yes : {"True", "T", "Yes", "Y"})
                if (equalsIgnoringAsciiCase(bare, yes)) return Value::boolean(true);
            for (const char* no : {"False", "F", "No", "N"})
                if (equalsIgnoringAsciiCase(bare, no)) return Value::boolean(false);
            notAValue(text, field);
        case ValueKind::Integer:
            return readInteger(bare, field);
        case ValueKind::Float:
            return Value::floating(readDouble(bare, field, settings.decimalSeparator));
        case ValueKind::Currency:
            return Value::currency(readDouble(bare, field, settings.decimalSeparator));
        case ValueKind::Bcd: {
            std::string plain(bare);
            for (char& c : plain)
                if (c == settings.decimalSeparator) c = '.';
            try {
                return Value::bcd(Decimal::parse(plain));
            } catch (const EngineError&) {
                notAValue(text, field);
            }
        }
        case ValueKind::Date: {
            Date day;
            if (!parseDate(bare, settings.shortDateFormat, day)) notAValue(text, field);
            return Value::date(day);
        }
        case ValueKind::Time: {
            Time moment;
            if (!parseTime(bare, settings.longTimeFormat, moment)) notAValue(text, field);
            return Value::time(moment);
        }
        case ValueKind::Timestamp:
            if (auto moment = readTimestamp(bare, settings)) return Value::timestamp(*moment);
            notAValue(text, field);
        default:
            throw EngineError(errkind::kValue, "Field " + field.name + " of type " +
                                                   std::string(fieldTypeName(field.type)) +
                                                   " cannot be assigned from text");
    }
}

}  // namespace tabulon
