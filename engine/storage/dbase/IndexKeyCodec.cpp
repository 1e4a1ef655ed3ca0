#include "IndexKeyCodec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "ByteOrder.h"

namespace tabulon::dbase {

double decodeBcdKey(const std::uint8_t* bytes) {
    // 0.d1d2d3... x 10^(byte0 - 0x34); sign in the top bit of byte 1. Read through text, so
    // that a key reads back as the nearest double, equal to the value it was made from.
    char text[40] = "-0.";
    std::size_t n = 3;
    for (int i = 2; i < 12; ++i) {
        text[n++] = static_cast<char>('0' + std::min(9, bytes[i] >> 4));
        text[n++] = static_cast<char>('0' + std::min(9, bytes[i] & 0x0F));
    }
    std::snprintf(text + n, sizeof text - n, "e%d", static_cast<int>(bytes[0]) - 0x34);
    return std::strtod((bytes[1] & 0x80) ? text : text + 1, nullptr);
}

std::string encodeSortableDouble(double value) {
    std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    bits = (bits & 0x8000'0000'0000'0000ULL) ? ~bits : bits | 0x8000'0000'0000'0000ULL;
    std::string bytes(8, '\0');
    putBe64(reinterpret_cast<std::uint8_t*>(bytes.data()), bits);
    return bytes;
}

std::string encodeSortableInt32(std::int32_t value) {
    const std::uint32_t bits = static_cast<std::uint32_t>(value) ^ 0x8000'0000U;
    std::string bytes(4, '\0');
    putBe32(reinterpret_cast<std::uint8_t*>(bytes.data()), bits);
    return bytes;
}

void decodeKey(const std::uint8_t* bytes, std::size_t length, KeyEncoding encoding, IndexEntry& entry) {
    switch (encoding) {
        case KeyEncoding::Raw:
            entry.key.assign(reinterpret_cast<const char*>(bytes), length);
            // Some writers pad with NULs; blanks make them compare as dBase pads.
            for (std::size_t i = entry.key.size(); i > 0 && entry.key[i - 1] == '\0'; --i) entry.key[i - 1] = ' ';
            return;
        case KeyEncoding::LittleDouble:
        case KeyEncoding::MdxDouble:
            entry.number = length >= 8 ? std::bit_cast<double>(le64(bytes)) : 0;
            return;
        case KeyEncoding::Bcd:
            entry.number = length >= 12 ? decodeBcdKey(bytes) : 0;
            return;
        case KeyEncoding::SortableDouble: {
            if (length < 8) return;
            std::uint64_t bits = be64(bytes);
            bits = (bits & 0x8000'0000'0000'0000ULL) ? bits ^ 0x8000'0000'0000'0000ULL : ~bits;
            entry.number = std::bit_cast<double>(bits);
            return;
        }
        case KeyEncoding::SortableInt32:
            entry.number = length >= 4 ? static_cast<std::int32_t>(be32(bytes) ^ 0x8000'0000U) : 0;
            return;
    }
}

}  // namespace tabulon::dbase
