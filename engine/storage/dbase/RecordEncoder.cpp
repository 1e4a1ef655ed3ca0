#include "RecordEncoder.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "../../core/EngineError.h"
#include "ByteOrder.h"

namespace tabulon::dbase {

namespace {
constexpr std::int64_t kJulianDayOfEpoch = 2440588;
constexpr double kOrdinalMillisecondsOfEpoch = 719163.0 * 86'400'000.0;

// Right-justified with exactly `decimals` digits after the point, halves rounded away from zero.
std::string numericText(const Value& value, int decimals) {
    if (value.kind() == ValueKind::Bcd) return value.asDecimal().rounded(decimals).toString();
    if (value.kind() == ValueKind::Integer && decimals == 0) return std::to_string(value.asInt());
    const double v = value.asDouble();
    // A value with no more decimals than the field's is written digit for digit: scaling it
    // first could land on a neighbouring double.
    if (std::string exact = formatDouble(v); std::isfinite(v)) {
        const std::size_t point = exact.find('.');
        const int used = point == std::string::npos ? 0 : static_cast<int>(exact.size() - point - 1);
        if (used <= decimals) {
            if (decimals > 0)
                exact += (point == std::string::npos ? "." : "") +
                         std::string(static_cast<std::size_t>(decimals - used), '0');
            return exact;
        }
    }
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::fabs(v) < 1e300 / scale ? std::round(v * scale) / scale : v;
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, rounded);
    return buffer;
}
}  // namespace

RecordEncoder::RecordEncoder(const DbaseHeader& header, const TextCodec& codec, const std::string& fieldNamesFile)
    : header_(header), codec_(codec), file_(fieldNamesFile) {}

void RecordEncoder::refuse(const std::string& name, const std::string& why) const {
    throw EngineError(errkind::kValue, "Field " + name + " of " + file_ + ": " + why);
}

void RecordEncoder::setFlag(std::uint8_t* record, int bit, bool on) const {
    if (bit < 0) return;
    std::uint8_t& byte = record[header_.fields[static_cast<std::size_t>(header_.nullFlagsField)].offset +
                                static_cast<unsigned>(bit) / 8];
    const auto mask = static_cast<std::uint8_t>(1u << (bit % 8));
    byte = on ? (byte | mask) : (byte & ~mask);
}

std::string RecordEncoder::encodeText(const std::string& name, const std::string& text) const {
    const auto encoded = codec_.encode(text);
    if (!encoded) refuse(name, "the text '" + text + "' has characters code page " + codec_.name() + " cannot hold");
    return *encoded;
}

std::string RecordEncoder::memoBytes(const FieldLayout& field, const std::string& name, const Value& value) const {
    if (value.isNull()) return {};
    if (field.def.type == ftMemo) return encodeText(name, value.convertTo(ValueKind::String).asString());
    const Value bytes = value.convertTo(ValueKind::Bytes);
    return std::string(bytes.asBytes().begin(), bytes.asBytes().end());
}

void RecordEncoder::encodeMemoPointer(const FieldLayout& field, std::uint32_t block, std::uint8_t* record) const {
    std::uint8_t* p = record + field.offset;
    if (field.length == 4) {
        putLe32(p, block);
        return;
    }
    std::memset(p, ' ', field.length);
    if (block == 0) return;
    const std::string digits = std::to_string(block);
    std::memcpy(p + field.length - digits.size(), digits.data(), digits.size());
}

void RecordEncoder::encode(const FieldLayout& f, const std::string& name, const Value& value,
                           std::uint8_t* record) const {
    if (!f.readable) refuse(name, "its layout is damaged, so it cannot be written");
    std::uint8_t* p = record + f.offset;
    const bool null = value.isNull();
    if (f.nullBit >= 0) setFlag(record, f.nullBit, null);
    try {
        switch (f.storage) {
            case Storage::Text:
            case Storage::VarText:
            case Storage::VarBinary: {
                std::string bytes;
                if (!null) {
                    if (f.storage == Storage::VarBinary) {
                        const Value b = value.convertTo(ValueKind::Bytes);
                        bytes.assign(b.asBytes().begin(), b.asBytes().end());
                    } else {
                        bytes = encodeText(name, value.convertTo(ValueKind::String).asString());
                    }
                }
                if (bytes.size() > f.length)
                    refuse(name, "the value is " + std::to_string(bytes.size()) + " bytes long; the field holds " +
                                     std::to_string(f.length));
                const char pad = f.storage == Storage::VarBinary ? '\0' : ' ';
                std::memset(p, pad, f.length);
                std::memcpy(p, bytes.data(), bytes.size());
                if (f.varLengthBit >= 0) {
                    const bool shorter = bytes.size() < f.length;
                    setFlag(record, f.varLengthBit, shorter);
                    if (shorter) p[f.length - 1] = static_cast<std::uint8_t>(bytes.size());
                }
                return;
            }
            case Storage::NumericText: {
                std::memset(p, ' ', f.length);
                if (null) return;
                const std::string text =
                    numericText(value.convertTo(value.kind() == ValueKind::Bcd || value.kind() == ValueKind::Integer
                                                    ? value.kind()
                                                    : ValueKind::Float),
                                f.decimals);
                if (text.size() > f.length || text.find_first_not_of("-.0123456789") != std::string::npos)
                    refuse(name, "the number " + text + " does not fit its width of " + std::to_string(f.length));
                std::memcpy(p + f.length - text.size(), text.data(), text.size());
                return;
            }
            case Storage::DateText: {
                std::memset(p, ' ', 8);
                if (null) return;
                const CivilDate d = value.convertTo(ValueKind::Date).asDate().toCivil();
                if (d.year < 0 || d.year > 9999)
                    refuse(name, "the year " + std::to_string(d.year) + " does not fit in four digits");
                char text[16];
                std::snprintf(text, sizeof text, "%04d%02d%02d", d.year, d.month, d.day);
                std::memcpy(p, text, 8);
                return;
            }
            case Storage::LogicalChar:
                p[0] = null ? '?' : (value.convertTo(ValueKind::Boolean).asBool() ? 'T' : 'F');
                return;
            case Storage::LittleDouble:
                putLe64(p, null ? 0 : std::bit_cast<std::uint64_t>(value.convertTo(ValueKind::Float).asDouble()));
                return;
            case Storage::SortableDouble: {
                if (null) {
                    std::memset(p, 0, 8);
                    return;
                }
                std::uint64_t bits = std::bit_cast<std::uint64_t>(value.convertTo(ValueKind::Float).asDouble());
                bits = (bits & 0x8000'0000'0000'0000ULL) ? ~bits : bits ^ 0x8000'0000'0000'0000ULL;
                putBe64(p, bits);
                return;
            }
            case Storage::Currency: {
                const double v = null ? 0 : value.convertTo(ValueKind::Currency).asDouble() * 10000.0;
                if (!(std::fabs(v) < 9.2e18)) refuse(name, "the amount does not fit a currency field");
                putLe64(p, static_cast<std::uint64_t>(std::llround(v)));
                return;
            }
            case Storage::JulianDateTime: {
                if (null) {
                    std::memset(p, 0, 8);
                    return;
                }
                const Timestamp t = value.convertTo(ValueKind::Timestamp).asTimestamp();
                const std::int64_t day = t.date().days + kJulianDayOfEpoch;
                if (day <= 0 || day > 0xFFFFFFFF) refuse(name, "the date-time is out of range");
                putLe32(p, static_cast<std::uint32_t>(day));
                putLe32(p + 4, static_cast<std::uint32_t>(t.time().milliseconds));
                return;
            }
            case Storage::OrdinalTimestamp: {
                if (null) {
                    std::memset(p, 0, 8);
                    return;
                }
                const double ms =
                    static_cast<double>(value.convertTo(ValueKind::Timestamp).asTimestamp().milliseconds) +
                    kOrdinalMillisecondsOfEpoch;
                putBe64(p, std::bit_cast<std::uint64_t>(ms));
                return;
            }
            case Storage::LittleInt32:
            case Storage::SortableInt32: {
                if (null) {
                    std::memset(p, 0, 4);
                    return;
                }
                const std::int64_t v = value.convertTo(ValueKind::Integer).asInt();
                if (v < INT32_MIN || v > INT32_MAX)
                    refuse(name, "the number " + std::to_string(v) + " does not fit 32 bits");
                if (f.storage == Storage::LittleInt32)
                    putLe32(p, static_cast<std::uint32_t>(v));
                else
                    putBe32(p, static_cast<std::uint32_t>(v) ^ 0x8000'0000U);
                return;
            }
            case Storage::MemoPointer:
            case Storage::NullFlags:
                return;
        }
    } catch (const EngineError& e) {
        if (e.message().rfind("Field ", 0) == 0) throw;
        refuse(name, e.message());
    }
}

}  // namespace tabulon::dbase
