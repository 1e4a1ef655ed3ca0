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
    std::string out;
    appendDouble(out, value);
    return out;
}

namespace {
constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Most stored numbers have a few decimals, and the general conversion costs more than the rest
// of an export. Below 10^15 a double's round-trip interval is under a quarter of a unit in
// the last of `scale` decimals, so the first scale whose nearest whole multiple divides back to
// exactly `value` gives its shortest digits, the only ones of that length. False (nothing
// written) when no scale up to 15 does.
bool appendShortDecimal(std::string& out, double value) {
    if (!(value != 0 && std::fabs(value) < 1e15)) return false;  // also NaN and infinities
    for (int scale = 0; scale < 16; ++scale) {
        const double scaled = value * kPowersOfTen[scale];
        if (std::fabs(scaled) >= 1e15) return false;
        const double whole = std::nearbyint(scaled);
        // The product is off the true one by far less than a quarter: a cheap first test.
        if (std::fabs(scaled - whole) > 0.25 || whole / kPowersOfTen[scale] != value) continue;
        char digits[24];
        const auto magnitude = static_cast<std::uint64_t>(std::fabs(whole));
        const auto count =
            static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
        const auto decimals = static_cast<std::size_t>(scale);
        if (value < 0) out += '-';
        if (decimals == 0) {
            out.append(digits, count);
        } else if (count > decimals) {
            out.append(digits, count - decimals);
            out += '.';
            out.append(digits + count - decimals, decimals);
        } else {
            out += "0.";
            out.append(decimals - count, '0');
            out.append(digits, count);
        }
        return true;
    }
    return false;
}
}  // namespace

void appendDouble(std::string& out, double value) {
    if (appendShortDecimal(out, value)) return;
    // The shortest digits come in exponent form; they are then written out around the point.
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    if (ec != std::errc()) return;
    const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    const std::size_t e = text.find('e');
    if (e == std::string_view::npos) {  // inf, nan
        out += text;
        return;
    }
    const bool negative = text.front() == '-';
    char digits[32];
    std::size_t count = 0;
    for (const char c : text.substr(negative ? 1 : 0, e - (negative ? 1 : 0)))
        if (c != '.') digits[count++] = c;
    int exponent = 0;
    const char* from = text.data() + e + 1;
    std::from_chars(from + (*from == '+' ? 1 : 0), text.data() + text.size(), exponent);
    const std::ptrdiff_t point = exponent + 1;  // digits before the point
    const auto wholeDigits = static_cast<std::size_t>(point);
    if (negative) out += '-';
    if (point <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-point), '0');
        out.append(digits, count);
    } else if (wholeDigits >= count) {
        out.append(digits, count);
        out.append(wholeDigits - count, '0');
    } else {
        out.append(digits, wholeDigits);
        out += '.';
        out.append(digits + wholeDigits, count - wholeDigits);
    }
}

void Value::setString(std::string_view text) {
    if (auto* held = std::get_if<6>(&payload_))
        held->assign(text);
    else
        payload_.emplace<6>(text);
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
    std::string out;
    appendText(out);
    return out;
}

void Value::appendText(std::string& out) const {
    switch (kind()) {
        case ValueKind::Null:
            return;
        case ValueKind::Boolean:
            out += asBool() ? "True" : "False";
            return;
        case ValueKind::Integer: {
            char buffer[24];
            const auto end = std::to_chars(buffer, buffer + sizeof buffer, asInt()).ptr;
            out.append(buffer, end);
            return;
        }
        case ValueKind::Float:
        case ValueKind::Currency:
            appendDouble(out, asDouble());
            return;
        case ValueKind::Bcd:
            out += asDecimal().toString();
            return;
        case ValueKind::String:
            out += asString();
            return;
        case ValueKind::Date:
            asDate().appendText(out);
            return;
        case ValueKind::Time:
            asTime().appendText(out);
            return;
        case ValueKind::Timestamp:
            asTimestamp().appendText(out);
            return;
        case ValueKind::Bytes:
            out += base64Encode(asBytes());
            return;
    }
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
