#include "ParadoxSortedChain.h"

namespace tabulon::paradox {

ParadoxSortedSlot findSortedSlot(const ParadoxDataFile& file, const ParadoxKeyOrder& order, const std::uint8_t* key,
                                 std::size_t fieldCount) {
    const auto& blocks = file.blocks();
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
        if (order.compare(file.recordAt(blocks[probe].number, 0), key, fieldCount) < 0)
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
        if (order.compare(file.recordAt(block.number, mid), key, fieldCount) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    slot.record = lo;
    if (lo < block.records) {
        slot.found = order.compare(file.recordAt(block.number, lo), key, fieldCount) == 0;
    } else if (slot.chainIndex + 1 < blocks.size()) {
        // Past the last record of its block: an equal record can only start the next one.
        const auto& next = blocks[slot.chainIndex + 1];
        slot.found = next.records > 0 && order.compare(file.recordAt(next.number, 0), key, fieldCount) == 0;
    }
    return slot;
}

ParadoxDataFile::Position insertSorted(ParadoxDataFile& file, ParadoxSortedSlot slot, const std::uint8_t* record,
                                       const std::function<void(std::size_t fresh, int fromBlock)>& split) {
    if (file.blocks().empty()) {
        const std::size_t first = file.addBlockAfter(-1);
        file.insertRecord(first, 0, record);
        return {first, 0};
    }
    std::size_t target = slot.chainIndex;
    int at = slot.record;
    const int records = file.blocks()[target].records;
    if (records >= file.recordsPerBlock()) {
        const bool lastBlock = target + 1 == file.blocks().size();
        const std::size_t fresh = file.addBlockAfter(static_cast<long>(target));
        if (lastBlock && at == records) {
            target = fresh;
            at = 0;
        } else {
            const int half = records / 2;
            file.moveRecords(target, half, fresh);
            if (split) split(fresh, file.blocks()[target].number);
            if (at > half) {
                target = fresh;
                at -= half;
            }
        }
    }
    file.insertRecord(target, at, record);
    return {target, at};
}

}  // namespace tabulon::paradox
