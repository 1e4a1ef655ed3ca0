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

// Finds, inserts and removes records of `file`, whose records follow `order` along the chain.
// With `holdFirstKeys`, the first key of every block is read once (one pass over the file) and
// kept up to date, so that each later search reads a single block: for many changes in a row.
// All changes to the file must go through it while it lives. Same thread as the file.
class ParadoxSortedChain {
public:
    ParadoxSortedChain(ParadoxDataFile& file, const ParadoxKeyOrder& order, bool holdFirstKeys);

    // Where `key` belongs: before the first record not less than it, compared over the first
    // `fieldCount` fields. In an empty file: chain index 0, record 0.
    ParadoxSortedSlot find(const std::uint8_t* key, std::size_t fieldCount) const;
    // Inserts `record` at `slot` (a file without blocks gets its first). A full block is split
    // in half, except at the very end of the chain, where a fresh block is started instead so
    // that ascending inserts fill their blocks. `split` hears of every split: the chain index
    // of the new block and the number of the block its records came from, before `record` goes
    // in.
    ParadoxDataFile::Position insert(ParadoxSortedSlot slot, const std::uint8_t* record,
                                     const std::function<void(std::size_t fresh, int fromBlock)>& split);
    // Removes the record at `slot`, which must be found (it may lie at the start of the next
    // block when the slot is past the last record of its own). A block left less than half
    // full takes in its successor's records, or goes into its predecessor, when they fit;
    // `merge` hears of it: the chain index of the receiving block, the number of the block the
    // records came from, and the position in the receiver of the first of them.
    void remove(ParadoxSortedSlot slot,
                const std::function<void(std::size_t target, int fromBlock, int firstMoved)>& merge);

private:
    const std::uint8_t* firstOf(std::size_t chainIndex) const;
    void refreshFirst(std::size_t chainIndex);
    void dropFirst(std::size_t chainIndex);  // the block left the chain

    ParadoxDataFile& file_;
    const ParadoxKeyOrder& order_;
    bool holding_;
    std::size_t keyBytes_;
    std::vector<std::uint8_t> firsts_;  // keyBytes_ per block, in chain order
};

}  // namespace tabulon::paradox
