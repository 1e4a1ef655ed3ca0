#pragma once
// Counts the records removed below a position, to find where a record read earlier is now.
#include <cstdint>
#include <vector>

namespace tabulon {

// Positions are slots as they were when the records were read, all below the size given to
// reset(). Each call is O(log size), so a statement removing many records stays linearithmic.
class RemovedSlots {
public:
    // Forgets every removal; positions from now on are below `size`.
    void reset(std::uint64_t size);
    void add(std::uint64_t slot);
    // How many removed slots lie below `slot`.
    std::uint64_t below(std::uint64_t slot) const;

private:
    std::vector<std::uint32_t> tree_;  // Fenwick tree: tree_[i] counts a range ending at slot i - 1
};

}  // namespace tabulon
