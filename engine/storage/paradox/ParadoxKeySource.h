#pragma once
// The entries of one index in key order, as a cursor walks them.
#include <cstdint>
#include <functional>

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
    // Shrinks [low, high) around the first entry whose key is not `below` the sought one, when
    // the source knows a shortcut (the first key of each block); the default knows none.
    virtual void narrow(const std::function<bool(const std::uint8_t*)>& below, std::uint64_t& low,
                        std::uint64_t& high) {
        (void)below, (void)low, (void)high;
    }
};

}  // namespace tabulon::paradox
