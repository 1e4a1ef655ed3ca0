#include "TextCell.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "../../core/AsciiCase.h"
#include "../../core/EngineError.h"

namespace tabulon {

namespace {
std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

template <typename T>
std::optional<T> wholeNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::optional<double> realNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<Date> date(std::string_view text) {
    try {
        if (text.size() == 10 && text[4] == '-' && text[7] == '-') return Date::parse(text);
        const auto firstSlash = text.find('/');
        const auto secondSlash = text.find('/', firstSlash + 1);
        if (firstSlash == std::string_view::npos || secondSlash == std::string_view::npos) return std::nullopt;
        const auto month = wholeNumber<int>(text.substr(0, firstSlash));
        const auto day = wholeNumber<int>(text.substr(firstSlash + 1, secondSlash - firstSlash - 1));
        const auto year = wholeNumber<int>(text.substr(secondSlash + 1));
        if (!month || !day || !year || text.size() - secondSlash - 1 != 4) return std::nullopt;
        return Date::fromCivil(*year, *month, *day);
    } catch (const EngineError&) {
        return std::nullopt;
    }
}

std::optional<Time> time(std::string_view text) {
    if (text.size() < 4 || text.find(':') == std::string_view::npos) return std::nullopt;
    try {
        // A one-digit hour is usual in text files; the core parser wants two.
        if (text[1] == ':') {
            std::string padded(1, '0');
            padded.append(text);
            return Time::parse(padded);
        }
        return Time::parse(text);
    } catch (const EngineError&) {
        return std::nullopt;
    }
}

std::optional<Timestamp> timestamp(std::string_view text) {
    const auto split = text.find_first_of(" T");
    if (split == std::string_view::npos) return std::nullopt;
    const auto day = date(text.substr(0, split));
    const auto moment = time(trimmed(text.substr(split + 1)));
    if (!day || !moment) return std::nullopt;
    return Timestamp::fromParts(*day, *moment);
}
}  // namespace

std::optional<Value> parseTextCell(std::string_view raw, FieldType type) {
    if (type != ftString && type != ftMemo) raw = trimmed(raw);
    if (raw.empty()) return Value();
    switch (type) {
        case ftString:
        case ftMemo:
            return Value::string(std::string(raw));
        case ftBoolean:
            if (equalsIgnoringAsciiCase(raw, "true") || equalsIgnoringAsciiCase(raw, "t")) return Value::boolean(true);
            if (equalsIgnoringAsciiCase(raw, "false") || equalsIgnoringAsciiCase(raw, "f"))
                return Value::boolean(false);
            return std::nullopt;
        case ftSmallint:
        case ftInteger: {
            const auto limit = type == ftSmallint ? std::numeric_limits<std::int16_t>::max()
                                                  : std::numeric_limits<std::int32_t>::max();
            const auto number = wholeNumber<std::int64_t>(raw);
            if (!number || *number > limit || *number < -limit - 1) return std::nullopt;
            return Value::integer(*number);
        }
        case ftFloat:
            if (const auto number = realNumber(raw)) return Value::floating(*number);
            return std::nullopt;
        case ftCurrency:
            if (const auto number = realNumber(raw)) return Value::currency(*number);
            return std::nullopt;
        case ftBCD:
            try {
                return Value::bcd(Decimal::parse(raw));
            } catch (const EngineError&) {
                return std::nullopt;
            }
        case ftDate:
            if (const auto day = date(raw)) return Value::date(*day);
            return std::nullopt;
        case ftTime:
            if (const auto moment = time(raw)) return Value::time(*moment);
            return std::nullopt;
        case ftDateTime:
            if (const auto moment = timestamp(raw)) return Value::timestamp(*moment);
            if (const auto day = date(raw)) return Value::timestamp(Timestamp::fromParts(*day, Time{}));
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

}  // namespace tabulon
