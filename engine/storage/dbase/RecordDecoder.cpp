#include "RecordDecoder.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "../../core/EngineError.h"
#include "ByteOrder.h"
#include "MemoFile.h"

namespace tabulon::dbase {

namespace {
constexpr std::size_t kMaxKeptProblems = 32;
constexpr std::int64_t kJulianDayOfEpoch = 2440588;
// Day ordinal of 1970-01-01 when 0001-01-01 is day 1.
constexpr double kOrdinalMillisecondsOfEpoch = 719163.0 * 86'400'000.0;

bool isPad(std::uint8_t b) { return b == ' ' || b == 0; }

double sortableDouble(const std::uint8_t* p) {
    std::uint64_t bits = be64(p);
    bits = (bits & 0x8000'0000'0000'0000ULL) ? bits ^ 0x8000'0000'0000'0000ULL : ~bits;
    return std::bit_cast<double>(bits);
}

// Eight bytes at a time: text fields are scanned once per record read.
bool isAscii(const std::uint8_t* p, std::size_t n) {
    std::size_t i = 0;
    for (std::uint64_t word; i + 8 <= n; i += 8) {
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080'8080'8080'8080ULL) return false;
    }
    for (; i < n; ++i)
        if (p[i] >= 0x80) return false;
    return true;
}

bool allZero(const std::uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (p[i]) return false;
    return true;
}
}  // namespace

namespace {
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Most stored numbers have few digits: an exact integer divided by an exact power of ten rounds
// correctly, and is much faster than a general conversion. Empty when the text needs that.
std::optional<double> parseShortNumber(const std::uint8_t* p, const std::uint8_t* end) {
    const bool negative = *p == '-';
    if (negative || *p == '+') ++p;
    std::uint64_t mantissa = 0;
    int digits = 0, fraction = -1;
    for (; p < end; ++p) {
        const unsigned d = static_cast<unsigned>(*p) - '0';
        if (d <= 9) {
            mantissa = mantissa * 10 + d;
            ++digits;
            fraction += fraction >= 0;
        } else if ((*p == '.' || *p == ',') && fraction < 0) {
            fraction = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || digits > 15) return std::nullopt;
    const double value = static_cast<double>(mantissa) / kPowersOfTen[fraction < 0 ? 0 : fraction];
    return negative ? -value : value;
}

// Plain whole numbers (most integer fields) without going through a double; empty for anything
// else, which parseNumericText() then reads.
std::optional<std::int64_t> parseWholeNumber(const std::uint8_t* bytes, std::size_t length) {
    std::size_t begin = 0, end = length;
    while (begin < end && isPad(bytes[begin])) ++begin;
    while (end > begin && isPad(bytes[end - 1])) --end;
    const bool negative = begin < end && bytes[begin] == '-';
    begin += negative;
    if (begin == end || end - begin > 18) return std::nullopt;
    std::int64_t value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const unsigned d = static_cast<unsigned>(bytes[i]) - '0';
        if (d > 9) return std::nullopt;
        value = value * 10 + d;
    }
    return negative ? -value : value;
}
}  // namespace

std::optional<double> parseNumericText(const std::uint8_t* bytes, std::size_t length) {
    std::size_t begin = 0, end = length;
    while (begin < end && isPad(bytes[begin])) ++begin;
    while (end > begin && isPad(bytes[end - 1])) --end;
    if (begin == end) return std::nullopt;
    if (const auto quick = parseShortNumber(bytes + begin, bytes + end)) return quick;
    char buffer[64];
    if (end - begin >= sizeof buffer) return std::nullopt;
    std::size_t n = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const char c = static_cast<char>(bytes[i]);
        if (c == '*') return std::nullopt;  // the value overflowed its width when written
        buffer[n++] = c == ',' ? '.' : c;
    }
    const char* first = buffer;
    if (*first == '+') ++first;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(first, buffer + n, value);
    if (ec != std::errc() || ptr != buffer + n || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<Date> parseDateText(const std::uint8_t* bytes) {
    int parts[3] = {0, 0, 0};
    const int widths[3] = {4, 2, 2};
    std::size_t pos = 0;
    for (int p = 0; p < 3; ++p)
        for (int i = 0; i < widths[p]; ++i, ++pos) {
            if (bytes[pos] < '0' || bytes[pos] > '9') return std::nullopt;
            parts[p] = parts[p] * 10 + (bytes[pos] - '0');
        }
    if (parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > daysInMonth(parts[0], parts[1]))
        return std::nullopt;
    return Date::fromCivil(parts[0], parts[1], parts[2]);
}

RecordDecoder::RecordDecoder(const DbaseHeader& header, const TextCodec& codec, const MemoFile* memo)
    : header_(header), codec_(codec), memo_(memo) {
    for (const FieldLayout& f : header_.fields)
        if (!f.hidden) visible_.push_back(&f);
}

void RecordDecoder::decode(const std::uint8_t* record, Record& out) {
    out.resize(visible_.size());
    for (std::size_t i = 0; i < visible_.size(); ++i) decodeField(*visible_[i], record, out[i]);
}

bool RecordDecoder::flagSet(const std::uint8_t* record, int bit) const {
    if (bit < 0) return false;
    const FieldLayout& flags = header_.fields[static_cast<std::size_t>(header_.nullFlagsField)];
    return (record[flags.offset + static_cast<unsigned>(bit) / 8] >> (bit % 8)) & 1;
}

void RecordDecoder::text(const std::uint8_t* bytes, std::size_t length, Value& out) const {
    // Some writers end text C-style: the first NUL ends it, whatever follows.
    if (const void* nul = std::memchr(bytes, 0, length))
        length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - bytes);
    while (length > 0 && bytes[length - 1] == ' ') --length;
    const std::string_view raw(reinterpret_cast<const char*>(bytes), length);
    // ASCII reads the same in every code page the driver meets; skip the codec for it.
    if (isAscii(bytes, length))
        out.setString(raw);
    else
        out = Value::string(codec_.decode(raw));
}

void RecordDecoder::decodeField(const FieldLayout& f, const std::uint8_t* record, Value& out) {
    if (!f.readable || flagSet(record, f.nullBit)) {
        out = Value();
        return;
    }
    const std::uint8_t* p = record + f.offset;
    switch (f.storage) {
        case Storage::Text:
            text(p, f.length, out);
            return;
        case Storage::NumericText: {
            if (f.def.type != ftFloat)
                if (const auto whole = parseWholeNumber(p, f.length)) {
                    out = Value::integer(*whole);
                    return;
                }
            const auto number = parseNumericText(p, f.length);
            if (!number || (f.def.type != ftFloat && *number != std::trunc(*number)))
                out = Value();
            else if (f.def.type == ftFloat)
                out = Value::floating(*number);
            else
                out = Value::integer(static_cast<std::int64_t>(*number));
            return;
        }
        case Storage::DateText: {
            const auto date = parseDateText(p);
            out = date ? Value::date(*date) : Value();
            return;
        }
        case Storage::LogicalChar:
            switch (p[0]) {
                case 'T':
                case 't':
                case 'Y':
                case 'y':
                    out = Value::boolean(true);
                    return;
                case 'F':
                case 'f':
                case 'N':
                case 'n':
                    out = Value::boolean(false);
                    return;
                default:
                    out = Value();
                    return;
            }
        case Storage::MemoPointer:
            out = memoValue(f, p);
            return;
        case Storage::LittleDouble:
            out = Value::floating(std::bit_cast<double>(le64(p)));
            return;
        case Storage::SortableDouble:
            out = allZero(p, 8) ? Value() : Value::floating(sortableDouble(p));
            return;
        case Storage::Currency:
            out = Value::currency(static_cast<double>(static_cast<std::int64_t>(le64(p))) / 10000.0);
            return;
        case Storage::JulianDateTime: {
            const std::int64_t day = le32(p);
            std::int64_t ms = le32(p + 4);
            if ((day == 0 && ms == 0) || ms >= kMillisecondsPerDay) {
                out = Value();
                return;
            }
            // Times are whole seconds; writers store some a millisecond short.
            ms = (ms + 500) / 1000 * 1000;
            out = Value::timestamp(Timestamp{(day - kJulianDayOfEpoch) * kMillisecondsPerDay + ms});
            return;
        }
        case Storage::OrdinalTimestamp: {
            const double ms = std::bit_cast<double>(be64(p)) - kOrdinalMillisecondsOfEpoch;
            if (allZero(p, 8) || !std::isfinite(ms) || std::fabs(ms) > 1e17)
                out = Value();
            else
                out = Value::timestamp(Timestamp{static_cast<std::int64_t>(std::llround(ms))});
            return;
        }
        case Storage::LittleInt32:
            out = Value::integer(static_cast<std::int32_t>(le32(p)));
            return;
        case Storage::SortableInt32:
            out = allZero(p, 4) ? Value() : Value::integer(static_cast<std::int32_t>(be32(p) ^ 0x8000'0000U));
            return;
        case Storage::VarText:
        case Storage::VarBinary: {
            std::size_t length = f.length;
            if (flagSet(record, f.varLengthBit)) length = std::min<std::size_t>(p[f.length - 1], f.length - 1);
            if (f.storage == Storage::VarText)
                text(p, length, out);
            else
                out = Value::bytes(Bytes(p, p + length));
            return;
        }
        case Storage::NullFlags:
            break;
    }
    out = Value();
}

std::optional<std::uint32_t> memoBlockOf(const FieldLayout& f, const std::uint8_t* p) {
    if (f.length == 4) return le32(p);
    std::size_t begin = 0, end = f.length;
    while (begin < end && isPad(p[begin])) ++begin;
    while (end > begin && isPad(p[end - 1])) --end;
    std::uint32_t block = 0;
    const auto [ptr, ec] =
        std::from_chars(reinterpret_cast<const char*>(p + begin), reinterpret_cast<const char*>(p + end), block);
    if (begin != end && (ec != std::errc() || ptr != reinterpret_cast<const char*>(p + end))) return std::nullopt;
    return block;
}

Value RecordDecoder::memoValue(const FieldLayout& f, const std::uint8_t* p) {
    const std::optional<std::uint32_t> pointer = memoBlockOf(f, p);
    if (!pointer) return {};
    const std::uint32_t block = *pointer;
    if (block == 0 || !memo_) return {};
    std::string data;
    try {
        data = memo_->read(block);
    } catch (const EngineError& e) {
        if (problems_.size() < kMaxKeptProblems) problems_.push_back(e.message());
        return {};
    }
    if (f.def.type == ftMemo) return Value::string(codec_.decode(data));
    return Value::bytes(Bytes(data.begin(), data.end()));
}

}  // namespace tabulon::dbase
