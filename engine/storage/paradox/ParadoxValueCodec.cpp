#include "ParadoxValueCodec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "../../core/EngineError.h"
#include "../../core/TextCodec.h"
#include "ParadoxBytes.h"

namespace tabulon::paradox {

namespace {
constexpr int kBcdDigits = 32;
// Dates and timestamps beyond years -9999..9999 are damage, not data: they read as blank.
constexpr std::int64_t kMaxDays = 3'652'425 + ParadoxValueCodec::kEpochDay;
constexpr double kMaxMilliseconds = static_cast<double>(kMaxDays) * kMillisecondsPerDay;
constexpr std::uint8_t kBcdPositive = 0x80, kBcdPresent = 0x40, kBcdScaleMask = 0x3F;

bool allZero(const std::uint8_t* p, int n) {
    return std::all_of(p, p + n, [](std::uint8_t b) { return b == 0; });
}

// Signed integers: big-endian with the sign bit flipped so that bytes sort like numbers.
std::int64_t decodeInteger(const std::uint8_t* p, int bytes) {
    const int bits = bytes * 8;
    const std::uint64_t flipped = be(p, bytes) ^ (1ULL << (bits - 1));
    const std::uint64_t sign = 1ULL << (bits - 1);
    return (flipped & sign) ? static_cast<std::int64_t>(flipped | ~((sign << 1) - 1))
                            : static_cast<std::int64_t>(flipped);
}
void encodeInteger(std::int64_t v, int bytes, std::uint8_t* out) {
    const std::uint64_t mask = bytes == 8 ? ~0ULL : (1ULL << (bytes * 8)) - 1;
    putBe(out, bytes, (static_cast<std::uint64_t>(v) & mask) ^ (1ULL << (bytes * 8 - 1)));
}

// Doubles: positive ones get the top bit set, negative ones have every bit inverted.
double decodeDouble(const std::uint8_t* p) {
    std::uint64_t bits = be(p, 8);
    bits = (bits & (1ULL << 63)) ? bits & ~(1ULL << 63) : ~bits;
    return std::bit_cast<double>(bits);
}
void encodeDouble(double v, std::uint8_t* out) {
    std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
    bits = (bits & (1ULL << 63)) ? ~bits : bits | (1ULL << 63);
    putBe(out, 8, bits);
}

Value decodeBcd(const std::uint8_t* p) {
    const std::uint8_t flags = p[0];
    if (!(flags & (kBcdPositive | kBcdPresent))) return {};
    const bool negative = !(flags & kBcdPositive);
    const int scale = std::min<int>(flags & kBcdScaleMask, kBcdDigits);
    Decimal::Coefficient coefficient = 0;
    bool noise = false;  // digits after a non-decimal nibble are leftovers of a double conversion
    for (int i = 0; i < kBcdDigits; ++i) {
        std::uint8_t byte = p[1 + i / 2];
        if (negative) byte = static_cast<std::uint8_t>(~byte);
        const int digit = (i % 2 == 0) ? byte >> 4 : byte & 0x0F;
        if (digit > 9) noise = true;
        coefficient = coefficient * 10 + static_cast<unsigned>(noise ? 0 : digit);
    }
    return Value::bcd(Decimal::fromParts(negative, coefficient, scale));
}
void encodeBcd(const Decimal& value, int scale, std::uint8_t* out) {
    const Decimal fitted = value.rounded(scale);
    Decimal::Coefficient c = fitted.coefficient();
    // rounded() keeps scale() >= scale; bring the coefficient to exactly `scale` digits.
    for (int s = fitted.scale(); s < scale; ++s) c *= 10;
    out[0] = static_cast<std::uint8_t>((fitted.negative() ? 0 : kBcdPositive) | kBcdPresent | scale);
    for (int i = kBcdDigits - 1; i >= 0; --i, c /= 10) {
        const auto digit = static_cast<std::uint8_t>(c % 10);
        std::uint8_t& byte = out[1 + i / 2];
        byte = (i % 2 == 0) ? static_cast<std::uint8_t>((byte & 0x0F) | (digit << 4))
                            : static_cast<std::uint8_t>((byte & 0xF0) | digit);
    }
    if (fitted.negative())
        for (int i = 1; i <= kBcdDigits / 2; ++i) out[i] = static_cast<std::uint8_t>(~out[i]);
}

[[noreturn]] void doesNotFit(const std::string& fieldName, const std::string& why) {
    throw EngineError(errkind::kValue, "Field " + fieldName + ": " + why);
}

void checkRange(std::int64_t v, int bytes, const std::string& fieldName) {
    const std::int64_t limit = (1LL << (bytes * 8 - 1)) - 1;  // the most negative value means blank
    if (v > limit || v < -limit)
        doesNotFit(fieldName, "the value " + std::to_string(v) + " is outside -" + std::to_string(limit) + " to " +
                                  std::to_string(limit));
}
}  // namespace

Value ParadoxValueCodec::decode(const std::uint8_t* p, const ParadoxField& field, const TextCodec& codec) {
    const int n = field.bytes;
    switch (field.type.fieldType) {
        case ftString:
            return decodeAlpha(p, static_cast<std::size_t>(n), codec, false);
        case ftBytes:
            if (allZero(p, n)) return {};
            return Value::bytes(Bytes(p, p + n));
        case ftBCD:
            return decodeBcd(p);
        default:
            break;
    }
    if (allZero(p, n)) return {};
    switch (field.type.fieldType) {
        case ftDate: {
            const std::int64_t day = decodeInteger(p, 4);
            if (day > kMaxDays || day < -kMaxDays) return {};
            return Value::date(Date{static_cast<std::int32_t>(day - kEpochDay)});
        }
        case ftSmallint:
        case ftInteger:
        case ftAutoInc:
            return Value::integer(decodeInteger(p, n));
        case ftTime: {
            const std::int64_t ms = decodeInteger(p, 4);
            if (ms < 0 || ms >= kMillisecondsPerDay) return {};
            return Value::time(Time{static_cast<std::int32_t>(ms)});
        }
        case ftFloat:
            return Value::floating(decodeDouble(p));
        case ftCurrency:
            return Value::currency(decodeDouble(p));
        case ftDateTime: {
            const double ms = decodeDouble(p);
            if (!std::isfinite(ms) || std::fabs(ms) > kMaxMilliseconds) return {};
            return Value::timestamp(Timestamp{std::llround(ms) - kEpochDay * kMillisecondsPerDay});
        }
        case ftBoolean:
            return Value::boolean(p[0] != 0x80);
        default:
            return {};
    }
}

Value ParadoxValueCodec::decodeAlpha(const std::uint8_t* p, std::size_t length, const TextCodec& codec,
                                     bool asciiTransparent) {
    const auto* end = std::find(p, p + length, std::uint8_t{0});
    if (end == p) return {};
    return Value::string(decodeText(p, static_cast<std::size_t>(end - p), codec, asciiTransparent));
}

std::string ParadoxValueCodec::decodeText(const std::uint8_t* p, std::size_t length, const TextCodec& codec,
                                          bool asciiTransparent) {
    const std::string_view bytes(reinterpret_cast<const char*>(p), length);
    if (asciiTransparent && std::all_of(p, p + length, [](std::uint8_t b) { return b < 0x80; }))
        return std::string(bytes);
    return codec.decode(bytes);
}

void ParadoxValueCodec::encode(const Value& given, const ParadoxField& field, const std::string& fieldName,
                               const TextCodec& codec, std::uint8_t* out) {
    const int n = field.bytes;
    std::memset(out, 0, static_cast<std::size_t>(n));
    if (given.isNull()) return;
    Value value;
    try {
        value = given.convertTo(valueKindFor(field.type.fieldType));
    } catch (const EngineError& e) {
        doesNotFit(fieldName, e.message());
    }
    switch (field.type.fieldType) {
        case ftString: {
            if (value.asString().empty()) return;
            const auto bytes = codec.encode(value.asString());
            if (!bytes)
                doesNotFit(fieldName,
                           "\"" + value.asString() + "\" holds a character that code page " + codec.name() + " lacks");
            if (bytes->size() > static_cast<std::size_t>(n))
                doesNotFit(fieldName, "\"" + value.asString() + "\" is longer than " + std::to_string(n) + " bytes");
            std::memcpy(out, bytes->data(), bytes->size());
            return;
        }
        case ftBytes: {
            const Bytes& bytes = value.asBytes();
            if (bytes.size() > static_cast<std::size_t>(n))
                doesNotFit(fieldName, std::to_string(bytes.size()) + " bytes do not fit in " + std::to_string(n));
            std::copy(bytes.begin(), bytes.end(), out);
            return;
        }
        case ftBCD:
            try {
                encodeBcd(value.asDecimal(), field.sizeByte, out);
            } catch (const EngineError& e) {
                doesNotFit(fieldName, e.message());
            }
            return;
        case ftDate:
            encodeInteger(value.asDate().days + kEpochDay, 4, out);
            return;
        case ftSmallint:
        case ftInteger:
        case ftAutoInc:
            checkRange(value.asInt(), n, fieldName);
            encodeInteger(value.asInt(), n, out);
            return;
        case ftTime:
            encodeInteger(value.asTime().milliseconds, 4, out);
            return;
        case ftFloat:
        case ftCurrency:
            encodeDouble(value.asDouble(), out);
            return;
        case ftDateTime:
            encodeDouble(static_cast<double>(value.asTimestamp().milliseconds + kEpochDay * kMillisecondsPerDay), out);
            return;
        case ftBoolean:
            out[0] = value.asBool() ? 0x81 : 0x80;
            return;
        default:
            doesNotFit(fieldName, "blob values are not stored in the record");
    }
}

}  // namespace tabulon::paradox
