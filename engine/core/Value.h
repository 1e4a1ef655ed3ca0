#pragma once
// One field value of any type, as drivers read and write it.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "DateTime.h"
#include "Decimal.h"
#include "FieldType.h"

namespace tabulon {

enum class ValueKind { Null, Boolean, Integer, Float, Currency, Bcd, String, Date, Time, Timestamp, Bytes };

using Bytes = std::vector<std::uint8_t>;

// The kind of value a field of `type` holds (memos hold strings; binary fields hold bytes).
ValueKind valueKindFor(FieldType type);
std::string_view valueKindName(ValueKind kind);

// A tagged value. Strings are UTF-8 with fixed-width padding already removed. Plain data:
// copy freely, share between threads only as const.
class Value {
public:
    Value() = default;  // null
    static Value boolean(bool v) { return Value(Payload(std::in_place_index<1>, v)); }
    static Value integer(std::int64_t v) { return Value(Payload(std::in_place_index<2>, v)); }
    static Value floating(double v) { return Value(Payload(std::in_place_index<3>, v)); }
    static Value currency(double v) { return Value(Payload(std::in_place_index<4>, v)); }
    static Value bcd(Decimal v) { return Value(Payload(std::in_place_index<5>, v)); }
    static Value string(std::string v) { return Value(Payload(std::in_place_index<6>, std::move(v))); }
    static Value date(Date v) { return Value(Payload(std::in_place_index<7>, v)); }
    static Value time(Time v) { return Value(Payload(std::in_place_index<8>, v)); }
    static Value timestamp(Timestamp v) { return Value(Payload(std::in_place_index<9>, v)); }
    static Value bytes(Bytes v) { return Value(Payload(std::in_place_index<10>, std::move(v))); }

    // Makes this the string `text`, reusing the storage of a string it holds: readers refill
    // one record's values for every record they read.
    void setString(std::string_view text);

    ValueKind kind() const { return static_cast<ValueKind>(payload_.index()); }
    bool isNull() const { return payload_.index() == 0; }

    // Typed access; throws EValueError when the value is of another kind (or null).
    bool asBool() const;
    std::int64_t asInt() const;
    double asDouble() const;  // float, currency, integer or BCD
    const Decimal& asDecimal() const;
    const std::string& asString() const;
    Date asDate() const;
    Time asTime() const;
    Timestamp asTimestamp() const;
    const Bytes& asBytes() const;

    // Canonical text: "" for null, "True"/"False", shortest round-trip numbers, BCD with its
    // scale, ISO dates and times ("YYYY-MM-DD", "HH:MM:SS.mmm", "YYYY-MM-DDTHH:MM:SS.mmm"),
    // base64 for bytes.
    std::string toText() const;
    // Appends toText() to `out`: exports write millions of values into one buffer.
    void appendText(std::string& out) const;
    // The inverse of toText() for `kind`; "" gives null. Throws EValueError naming the text.
    static Value fromText(ValueKind kind, std::string_view text);

    // The same value as `target`: numbers convert by value (a fraction into an integer, or a
    // number too large for BCD, throws), timestamps to dates and times and back, anything else
    // through text. Throws EValueError when it does not convert.
    Value convertTo(ValueKind target) const;

    // Orders values of one kind; null sorts first. Numbers of different kinds compare by value.
    int compare(const Value& other) const;
    bool operator==(const Value& other) const { return payload_ == other.payload_; }

private:
    using Payload = std::variant<std::monostate, bool, std::int64_t, double, double, Decimal, std::string, Date, Time,
                                 Timestamp, Bytes>;
    explicit Value(Payload p) : payload_(std::move(p)) {}
    Payload payload_;
};

using Record = std::vector<Value>;

// The shortest digits that read back as the same double, never in exponent form ("0.1",
// "100000", "0.000000061"), so that spreadsheets and imports read the same number.
std::string formatDouble(double value);
// Appends formatDouble(value) to `out`.
void appendDouble(std::string& out, double value);

}  // namespace tabulon
