#pragma once
// Records kept in key order along the block chain of a data file: a keyed .DB, or a secondary
// index's .Xnn/.XGn.
#include <functional>

#include "ParadoxDataFile.h"
#include "ParadoxKeyOrder.h"

namespace tabulon::paradox {

struct ParadoxSortedSlot {
    std::size_t chainIndex = 0;
    int record = 0;      // inside the block
    bool found = false;  // a record whose first `fieldCount` fields equal the key sits there
};

// Where `key` belongs: before the first record not less than it, compared over the first
// `fieldCount` fields of `order`. In an empty file: chain index 0, record 0.
ParadoxSortedSlot findSortedSlot(const ParadoxDataFile& file, const ParadoxKeyOrder& order, const std::uint8_t* key,
                                 std::size_t fieldCount);

// Inserts `record` at `slot` (a file without blocks gets its first). A full block is split in
// half, except at the very end of the chain, where a fresh block is started instead so that
// ascending inserts fill their blocks. `split` hears of every split: the chain index of the
// new block and the number of the block its records came from, before `record` goes in.
ParadoxDataFile::Position insertSorted(ParadoxDataFile& file, ParadoxSortedSlot slot, const std::uint8_t* record,
                                       const std::function<void(std::size_t fresh, int fromBlock)>& split);

}  // namespace tabulon::paradox
