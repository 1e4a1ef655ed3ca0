#include "RemovedSlots.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace tabulon {

void RemovedSlots::reset(std::uint64_t size) { tree_.assign(size + 1, 0); }

void RemovedSlots::add(std::uint64_t slot) {
    if (slot + 1 >= tree_.size())
        throw std::out_of_range("removed slot " + std::to_string(slot) + " lies beyond the records read");
    for (std::uint64_t i = slot + 1; i < tree_.size(); i += i & (~i + 1)) ++tree_[i];
}

std::uint64_t RemovedSlots::below(std::uint64_t slot) const {
    std::uint64_t count = 0;
    if (tree_.empty()) return count;
    for (std::uint64_t i = std::min<std::uint64_t>(slot, tree_.size() - 1); i > 0; i -= i & (~i + 1)) count += tree_[i];
    return count;
}

}  // namespace tabulon
