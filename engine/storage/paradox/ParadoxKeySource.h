#pragma once
// The entries of one index in key order, as a cursor walks them.
#include <cstdint>

#include "../StorageTable.h"

namespace tabulon::paradox {

// Entry i's key bytes (laid out as its ParadoxKeyOrder says) and the record it stands for.
// The pointer key() returns is valid until the next call. Same thread as the table.
class ParadoxKeySource {
public:
    virtual ~ParadoxKeySource() = default;
    virtual std::uint64_t size() const = 0;
    virtual const std::uint8_t* key(std::uint64_t entry) = 0;
    virtual RecordId recordId(std::uint64_t entry) = 0;
};

}  // namespace tabulon::paradox
