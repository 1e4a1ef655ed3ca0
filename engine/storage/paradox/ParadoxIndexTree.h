#pragma once
// The index tree of a .PX (or .Ynn/.YGn) file: from its root down to the leaf entries, one per
// data block of the table it indexes, each with the block's first key and its record count.
#include <cstdint>
#include <vector>

#include "../../io/PagedFile.h"
#include "ParadoxDataFile.h"
#include "ParadoxHeader.h"

namespace tabulon::paradox {

// Walks only from the root (stale blocks exist in real files). Throws EFormatError naming the
// file for a header it cannot use, a block outside the file, a loop, or more levels than the
// header states. Same thread as its owner.
class ParadoxIndexTree {
public:
    struct Leaf {
        std::vector<std::uint8_t> key;  // key bytes as in the table's records
        int block = 0;                  // data block of the indexed file
        int records = 0;
    };

    static ParadoxIndexTree read(const PagedFile& file);

    const ParadoxHeader& header() const { return header_; }
    const std::vector<Leaf>& leaves() const { return leaves_; }
    int keyBytes() const { return header_.recordSize - kEntryTail; }
    // Empty when the leaves list exactly the non-empty blocks of `data`'s chain, in order and
    // with their record counts; otherwise what disagrees.
    std::string disagreement(const ParadoxDataFile& data) const;

    static constexpr int kEntryTail = 6;  // block, count and an unused short after the key

private:
    void walk(const PagedFile& file, int block, int level, std::vector<bool>& visited, int blocksOnDisk);
    ParadoxHeader header_;
    std::vector<Leaf> leaves_;
};

}  // namespace tabulon::paradox
