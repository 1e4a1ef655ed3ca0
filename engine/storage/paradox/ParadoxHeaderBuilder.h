#pragma once
// Builds the header of a new Paradox file the way other Paradox software writes them.
#include <cstdint>
#include <string>
#include <vector>

#include "ParadoxHeader.h"

namespace tabulon::paradox {

struct ParadoxHeaderSpec {
    FileKind kind = FileKind::UnkeyedTable;
    int versionByte = 0x0C;
    int blockKiB = 4;
    std::vector<ParadoxField> fields;  // names in the code page; offsets are computed
    int keyFieldCount = 0;             // header 0x23
    std::string tableName;             // the file name, as other writers store it
    int codePage = 0;
    std::string sortOrderName = "ascii";
    int sortOrderId = 0;
    std::vector<std::uint16_t> fieldNumbers;  // level 4+ data layout; empty: 1..n
    std::string indexName;                    // .XGn
    int firstIndexedField = 0;                // .X 0x15
    int indexFlags = 0;                       // .X 0x55
    std::uint8_t familyLink = 0;              // 0x2E, shared by the family
};

// Throws EValueError when the header would exceed its 16-bit size or a name its slot.
ParadoxHeader buildParadoxHeader(const ParadoxHeaderSpec& spec);

}  // namespace tabulon::paradox
