#pragma once
// Converts field values between Value and their bytes in a Paradox record (blobs excepted).
#include <cstdint>

#include "../../core/Value.h"
#include "ParadoxHeader.h"

namespace tabulon {
class TextCodec;
}

namespace tabulon::paradox {

// Stateless. decode() never throws: all-zero bytes are null, damaged digits are cut.
// encode() throws EValueError naming the field when the value does not fit it.
class ParadoxValueCodec {
public:
    // Days from 0001-01-01 (day 1 in Paradox files) to 1970-01-01 (day 0 of Date).
    static constexpr std::int64_t kEpochDay = 719163;

    static Value decode(const std::uint8_t* bytes, const ParadoxField& field, const TextCodec& codec);
    // An alpha field: text up to its first NUL (none: blank). With `asciiTransparent` (the code
    // page keeps bytes below 0x80 as they are), pure ASCII skips the code page's table.
    static Value decodeAlpha(const std::uint8_t* bytes, std::size_t length, const TextCodec& codec,
                             bool asciiTransparent);
    // Memo text: all `length` bytes.
    static std::string decodeText(const std::uint8_t* bytes, std::size_t length, const TextCodec& codec,
                                  bool asciiTransparent);
    // Writes field.bytes bytes; null writes zeros (blank).
    static void encode(const Value& value, const ParadoxField& field, const std::string& fieldName,
                       const TextCodec& codec, std::uint8_t* out);
};

}  // namespace tabulon::paradox
