#include "ParadoxSortedChain.h"

#include <algorithm>

namespace tabulon::paradox {

ParadoxSortedChain::ParadoxSortedChain(ParadoxDataFile& file, const ParadoxKeyOrder& order, bool holdFirstKeys)
    : file_(file), order_(order), holding_(holdFirstKeys), keyBytes_(static_cast<std::size_t>(order.keyBytes())) {
    if (!holding_) return;
    const auto& chain = file_.chain();
    firsts_.resize(chain.size() * keyBytes_);
    // Straight from the file: only the key, never a whole block.
    for (std::size_t i = 0; i < chain.size(); ++i)
        file_.file().read(file_.header().blockOffset(chain[i].number) + 6, firsts_.data() + i * keyBytes_, keyBytes_);
}

const std::uint8_t* ParadoxSortedChain::firstOf(std::size_t chainIndex) const {
    if (holding_) return firsts_.data() + chainIndex * keyBytes_;
    return file_.recordAt(file_.chain()[chainIndex].number, 0);
}

void ParadoxSortedChain::refreshFirst(std::size_t chainIndex) {
    if (!holding_ || chainIndex >= file_.chain().size()) return;
    std::copy_n(file_.recordAt(file_.chain()[chainIndex].number, 0), keyBytes_,
                firsts_.data() + chainIndex * keyBytes_);
}

ParadoxSortedSlot ParadoxSortedChain::find(const std::uint8_t* key, std::size_t fieldCount) const {
    const auto& blocks = file_.chain();
    // Keys mostly come in order (a copy, a reorganize): one above the last record goes after it,
    // found with one read instead of a search through the blocks.
    std::size_t last = blocks.size();
    while (last > 0 && blocks[last - 1].records == 0) --last;
    if (last > 0) {
        const auto& block = blocks[last - 1];
        if (order_.compare(file_.recordAt(block.number, block.records - 1), key, fieldCount) < 0)
            return {last - 1, block.records, false};
    }
    // The last non-empty block whose first record is < key holds the slot (or the first block).
    std::size_t low = 0, high = blocks.size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        std::size_t probe = mid;
        while (probe < high && blocks[probe].records == 0) ++probe;
        if (probe == high) {
            high = mid;
            continue;
        }
        if (order_.compare(firstOf(probe), key, fieldCount) < 0)
            low = probe + 1;
        else
            high = mid;
    }
    ParadoxSortedSlot slot;
    if (blocks.empty()) return slot;
    slot.chainIndex = low == 0 ? 0 : low - 1;
    const auto& block = blocks[slot.chainIndex];
    int lo = 0, hi = block.records;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (order_.compare(file_.recordAt(block.number, mid), key, fieldCount) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    slot.record = lo;
    if (lo < block.records) {
        slot.found = order_.compare(file_.recordAt(block.number, lo), key, fieldCount) == 0;
    } else if (slot.chainIndex + 1 < blocks.size()) {
        // Past the last record of its block: an equal record can only start the next one.
        slot.found = blocks[slot.chainIndex + 1].records > 0 &&
                     order_.compare(firstOf(slot.chainIndex + 1), key, fieldCount) == 0;
    }
    return slot;
}

ParadoxDataFile::Position ParadoxSortedChain::insert(
    ParadoxSortedSlot slot, const std::uint8_t* record,
    const std::function<void(std::size_t fresh, int fromBlock)>& split) {
    auto grew = [&](std::size_t at) {  // a block was linked in at chain index `at`
        if (holding_) firsts_.insert(firsts_.begin() + static_cast<std::ptrdiff_t>(at * keyBytes_), keyBytes_, 0);
    };
    if (file_.chain().empty()) {
        const std::size_t first = file_.addBlockAfter(-1);
        grew(first);
        file_.insertRecord(first, 0, record);
        refreshFirst(first);
        return {first, 0};
    }
    std::size_t target = slot.chainIndex;
    int at = slot.record;
    const int records = file_.chain()[target].records;
    if (records >= file_.recordsPerBlock()) {
        const bool lastBlock = target + 1 == file_.chain().size();
        const std::size_t fresh = file_.addBlockAfter(static_cast<long>(target));
        grew(fresh);
        if (lastBlock && at == records) {
            target = fresh;
            at = 0;
        } else {
            const int half = records / 2;
            file_.moveRecords(target, half, fresh);
            refreshFirst(fresh);
            if (split) split(fresh, file_.chain()[target].number);
            if (at > half) {
                target = fresh;
                at -= half;
            }
        }
    }
    file_.insertRecord(target, at, record);
    if (at == 0) refreshFirst(target);
    return {target, at};
}

void ParadoxSortedChain::remove(ParadoxSortedSlot slot,
                                const std::function<void(std::size_t target, int fromBlock, int firstMoved)>& merge) {
    if (slot.record == file_.chain()[slot.chainIndex].records) {
        ++slot.chainIndex;
        slot.record = 0;
    }
    const std::size_t before = file_.chain().size();
    file_.removeRecord(slot.chainIndex, slot.record);
    if (file_.chain().size() < before) {
        dropFirst(slot.chainIndex);
        return;
    }
    if (slot.record == 0) refreshFirst(slot.chainIndex);

    const auto& chain = file_.chain();
    const int capacity = file_.recordsPerBlock();
    const std::size_t at = slot.chainIndex;
    if (chain[at].records * 2 >= capacity) return;
    std::size_t target = 0;
    if (at + 1 < chain.size() && chain[at].records + chain[at + 1].records <= capacity)
        target = at;
    else if (at > 0 && chain[at - 1].records + chain[at].records <= capacity)
        target = at - 1;
    else
        return;
    const int fromBlock = chain[target + 1].number;
    const int firstMoved = chain[target].records;
    file_.mergeWithNext(target);
    dropFirst(target + 1);
    if (merge) merge(target, fromBlock, firstMoved);
}

void ParadoxSortedChain::dropFirst(std::size_t chainIndex) {
    if (holding_)
        firsts_.erase(firsts_.begin() + static_cast<std::ptrdiff_t>(chainIndex * keyBytes_),
                      firsts_.begin() + static_cast<std::ptrdiff_t>((chainIndex + 1) * keyBytes_));
}

}  // namespace tabulon::paradox
