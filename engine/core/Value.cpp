#include "Value.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>

#include "AsciiCase.h"
#include "Base64.h"
#include "EngineError.h"

namespace tabulon {

namespace {
constexpr std::array<std::string_view, 11> kKindNames = {"null",   "boolean", "integer", "float",     "currency", "BCD",
                                                         "string", "date",    "time",    "timestamp", "bytes"};

[[noreturn]] void wrongKind(ValueKind actual, std::string_view wanted) {
    throw EngineError(errkind::kValue,
                      "A " + std::string(valueKindName(actual)) + " value was used as a " + std::string(wanted));
}

bool isNumeric(ValueKind k) {
    return k == ValueKind::Integer || k == ValueKind::Float || k == ValueKind::Currency || k == ValueKind::Bcd;
}

template <typename T>
int threeWay(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}
}  // namespace

ValueKind valueKindFor(FieldType type) {
    switch (type) {
        case ftString:
        case ftMemo:
        case ftFmtMemo:
            return ValueKind::String;
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
            return ValueKind::Integer;
        case ftBoolean:
            return ValueKind::Boolean;
        case ftFloat:
            return ValueKind::Float;
        case ftCurrency:
            return ValueKind::Currency;
        case ftBCD:
            return ValueKind::Bcd;
        case ftDate:
            return ValueKind::Date;
        case ftTime:
            return ValueKind::Time;
        case ftDateTime:
            return ValueKind::Timestamp;
        case ftBytes:
        case ftVarBytes:
        case ftBlob:
        case ftGraphic:
        case ftParadoxOle:
        case ftDBaseOle:
        case ftTypedBinary:
            return ValueKind::Bytes;
        case ftUnknown:
        case ftCursor:
            break;
    }
    return ValueKind::Null;
}

std::string_view valueKindName(ValueKind kind) { return kKindNames[static_cast<int>(kind)]; }

std::string formatDouble(double value) {
    // The shortest digits come in exponent form; they are then written out around the point.
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    if (ec != std::errc()) return {};
    const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    const std::size_t e = text.find('e');
    if (e == std::string_view::npos) return std::string(text);  // inf, nan
    const bool negative = text.front() == '-';
    std::string digits;
    for (const char c : text.substr(negative ? 1 : 0, e - (negative ? 1 : 0)))
        if (c != '.') digits += c;
    int exponent = 0;
    const char* from = text.data() + e + 1;
    std::from_chars(from + (*from == '+' ? 1 : 0), text.data() + text.size(), exponent);
    const int point = exponent + 1;  // digits before the point
    const int count = static_cast<int>(digits.size());
    std::string out = negative ? "-" : "";
    if (point <= 0)
        out += "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
    else if (point >= count)
        out += digits + std::string(static_cast<std::size_t>(point - count), '0');
    else
        out += digits.substr(0, static_cast<std::size_t>(point)) + "." + digits.substr(static_cast<std::size_t>(point));
    return out;
}

bool Value::asBool() const {
    if (kind() != ValueKind::Boolean) wrongKind(kind(), "boolean");
    return std::get<1>(payload_);
}

std::int64_t Value::asInt() const {
    if (kind() != ValueKind::Integer) wrongKind(kind(), "integer");
    return std::get<2>(payload_);
}

double Value::asDouble() const {
    switch (kind()) {
        case ValueKind::Float:
            return std::get<3>(payload_);
        case ValueKind::Currency:
            return std::get<4>(payload_);
        case ValueKind::Integer:
            return static_cast<double>(std::get<2>(payload_));
        case ValueKind::Bcd:
            return std::get<5>(payload_).toDouble();
        default:
            wrongKind(kind(), "number");
    }
}

const Decimal& Value::asDecimal() const {
    if (kind() != ValueKind::Bcd) wrongKind(kind(), "BCD number");
    return std::get<5>(payload_);
}

const std::string& Value::asString() const {
    if (kind() != ValueKind::String) wrongKind(kind(), "string");
    return std::get<6>(payload_);
}

Date Value::asDate() const {
    if (kind() != ValueKind::Date) wrongKind(kind(), "date");
    return std::get<7>(payload_);
}

Time Value::asTime() const {
    if (kind() != ValueKind::Time) wrongKind(kind(), "time");
    return std::get<8>(payload_);
}

Timestamp Value::asTimestamp() const {
    if (kind() != ValueKind::Timestamp) wrongKind(kind(), "timestamp");
    return std::get<9>(payload_);
}

const Bytes& Value::asBytes() const {
    if (kind() != ValueKind::Bytes) wrongKind(kind(), "byte string");
    return std::get<10>(payload_);
}

std::string Value::toText() const {
    switch (kind()) {
        case ValueKind::Null:
            return {};
        case ValueKind::Boolean:
            return asBool() ? "True" : "False";
        case ValueKind::Integer:
            return std::to_string(asInt());
        case ValueKind::Float:
        case ValueKind::Currency:
            return formatDouble(asDouble());
        case ValueKind::Bcd:
            return asDecimal().toString();
        case ValueKind::String:
            return asString();
        case ValueKind::Date:
            return asDate().toText();
        case ValueKind::Time:
            return asTime().toText();
        case ValueKind::Timestamp:
            return asTimestamp().toText();
        case ValueKind::Bytes:
            return base64Encode(asBytes());
    }
    return {};
}

Value Value::fromText(ValueKind kind, std::string_view text) {
    if (text.empty()) return Value();
    auto bad = [&](std::string_view what) -> EngineError {
        return EngineError(errkind::kValue, "'" + std::string(text) + "' is not a valid " + std::string(what));
    };
    switch (kind) {
        case ValueKind::Null:
            throw bad("null value");
        case ValueKind::Boolean:
            for (std::string_view yes : {"true", "t", "yes", "y", "1"})
                if (equalsIgnoringAsciiCase(text, yes)) return boolean(true);
            for (std::string_view no : {"false", "f", "no", "n", "0"})
                if (equalsIgnoringAsciiCase(text, no)) return boolean(false);
            throw bad("logical value");
        case ValueKind::Integer: {
            std::int64_t v = 0;
            const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
            auto [end, ec] = std::from_chars(begin, text.data() + text.size(), v);
            if (ec != std::errc() || end != text.data() + text.size()) throw bad("integer");
            return integer(v);
        }
        case ValueKind::Float:
        case ValueKind::Currency: {
            double v = 0;
            const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
            auto [end, ec] = std::from_chars(begin, text.data() + text.size(), v);
            if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) throw bad("number");
            return kind == ValueKind::Float ? floating(v) : currency(v);
        }
        case ValueKind::Bcd:
            return bcd(Decimal::parse(text));
        case ValueKind::String:
            return string(std::string(text));
        case ValueKind::Date:
            return date(Date::parse(text));
        case ValueKind::Time:
            return time(Time::parse(text));
        case ValueKind::Timestamp:
            return timestamp(Timestamp::parse(text));
        case ValueKind::Bytes:
            if (auto decoded = base64Decode(text)) return bytes(std::move(*decoded));
            throw bad("base64 text");
    }
    throw bad("value");
}

Value Value::convertTo(ValueKind target) const {
    const ValueKind from = kind();
    if (from == target || isNull()) return *this;
    if (isNumeric(from)) {
        switch (target) {
            case ValueKind::Integer: {
                const double v = asDouble();
                if (from == ValueKind::Integer) return *this;
                if (v != std::trunc(v) || std::fabs(v) > 9.2e18)
                    throw EngineError(errkind::kValue, "'" + toText() + "' is not a whole number");
                return integer(static_cast<std::int64_t>(v));
            }
            case ValueKind::Float:
                return floating(asDouble());
            case ValueKind::Currency:
                return currency(asDouble());
            case ValueKind::Bcd:
                if (from == ValueKind::Integer) return bcd(Decimal::fromInt(asInt()));
                return bcd(Decimal::fromDouble(asDouble()));
            case ValueKind::Boolean:
                return boolean(asDouble() != 0);
            default:
                break;
        }
    }
    if (from == ValueKind::Timestamp && target == ValueKind::Date) return date(asTimestamp().date());
    if (from == ValueKind::Timestamp && target == ValueKind::Time) return time(asTimestamp().time());
    if (from == ValueKind::Date && target == ValueKind::Timestamp)
        return timestamp(Timestamp::fromParts(asDate(), Time{}));
    if (from == ValueKind::Bytes && target == ValueKind::String)
        return string(std::string(asBytes().begin(), asBytes().end()));
    if (from == ValueKind::String && target == ValueKind::Bytes)
        return bytes(Bytes(asString().begin(), asString().end()));
    if (from == ValueKind::Boolean && target == ValueKind::Integer) return integer(asBool() ? 1 : 0);
    return fromText(target, toText());
}

int Value::compare(const Value& other) const {
    if (isNull() || other.isNull()) return threeWay(!isNull(), !other.isNull());
    const ValueKind a = kind(), b = other.kind();
    if (a != b) {
        if (isNumeric(a) && isNumeric(b)) {
            if (a == ValueKind::Bcd || b == ValueKind::Bcd) {
                auto toDecimal = [](const Value& v) {
                    return v.kind() == ValueKind::Bcd       ? v.asDecimal()
                           : v.kind() == ValueKind::Integer ? Decimal::fromInt(v.asInt())
                                                            : Decimal::fromDouble(v.asDouble());
                };
                const auto order = toDecimal(*this) <=> toDecimal(other);
                return order < 0 ? -1 : (order > 0 ? 1 : 0);
            }
            return threeWay(asDouble(), other.asDouble());
        }
        return threeWay(static_cast<int>(a), static_cast<int>(b));
    }
    switch (a) {
        case ValueKind::Null:
            return 0;
        case ValueKind::Boolean:
            return threeWay(asBool(), other.asBool());
        case ValueKind::Integer:
            return threeWay(asInt(), other.asInt());
        case ValueKind::Float:
        case ValueKind::Currency:
            return threeWay(asDouble(), other.asDouble());
        case ValueKind::Bcd: {
            const auto order = asDecimal() <=> other.asDecimal();
            return order < 0 ? -1 : (order > 0 ? 1 : 0);
        }
        case ValueKind::String:
            return asString().compare(other.asString()) < 0 ? -1 : asString().compare(other.asString()) > 0 ? 1 : 0;
        case ValueKind::Date:
            return threeWay(asDate(), other.asDate());
        case ValueKind::Time:
            return threeWay(asTime(), other.asTime());
        case ValueKind::Timestamp:
            return threeWay(asTimestamp(), other.asTimestamp());
        case ValueKind::Bytes:
            return threeWay(asBytes(), other.asBytes());
    }
    return 0;
}

}  // namespace tabulon
