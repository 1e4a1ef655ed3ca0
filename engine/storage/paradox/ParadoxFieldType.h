#pragma once
// The field type codes of Paradox headers and what each one means to the engine.
#include <cstdint>
#include <optional>

#include "../../core/FieldType.h"

namespace tabulon::paradox {

struct ParadoxFieldType {
    std::uint8_t code = 0;  // the byte in the header's field descriptor
    char letter = '?';      // the user's name for the type ("A", "#", "+")
    FieldType fieldType = ftUnknown;
    int fixedBytes = 0;  // bytes in a record; 0: the descriptor's size byte gives them
    int level = 3;       // lowest table level that holds the type (3, 4 or 5)
    bool blob = false;   // leader + .MB pointer
};

// Empty for a code no Paradox level defines.
std::optional<ParadoxFieldType> paradoxFieldType(std::uint8_t code);
std::optional<ParadoxFieldType> paradoxFieldTypeFor(FieldType type);

// Bytes one field takes in a record: BCD is 17 whatever its size byte (which is its scale).
int paradoxRecordBytes(const ParadoxFieldType& type, int sizeByte);

}  // namespace tabulon::paradox
