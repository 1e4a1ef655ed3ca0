#pragma once
// Key bytes of the dBase family's index files, to numbers and back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "IndexFile.h"

namespace tabulon::dbase {

inline constexpr double kJulianDayOfEpoch = 2440588.0;

// Fills `entry.key` (Raw: the bytes with trailing NULs made blanks) or `entry.number`.
void decodeKey(const std::uint8_t* bytes, std::size_t length, KeyEncoding encoding, IndexEntry& entry);
// A .CDX number or date key: a big-endian double whose bytes sort as its values.
std::string encodeSortableDouble(double value);
// A .CDX integer key: big-endian with the sign bit flipped.
std::string encodeSortableInt32(std::int32_t value);
// An .MDX numeric key: 12-byte packed decimal with its exponent in byte 0.
double decodeBcdKey(const std::uint8_t* bytes);

}  // namespace tabulon::dbase
