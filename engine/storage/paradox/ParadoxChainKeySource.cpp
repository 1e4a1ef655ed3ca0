#include "ParadoxChainKeySource.h"

#include <algorithm>

namespace tabulon::paradox {

ParadoxChainKeySource::ParadoxChainKeySource(const ParadoxDataFile& file, int keyBytes, Resolver resolve,
                                             const ParadoxIndexTree* tree)
    : file_(file),
      resolve_(std::move(resolve)),
      record_(static_cast<std::size_t>(file.header().recordSize)),
      keyBytes_(static_cast<std::size_t>(keyBytes)),
      tree_(tree) {}

const std::uint8_t* ParadoxChainKeySource::key(std::uint64_t entry) {
    if (loaded_ != entry) {
        const auto at = file_.locate(entry);
        file_.readRecord(file_.blocks()[at.chainIndex].number, at.record, record_.data());
        loaded_ = entry;
    }
    return record_.data();
}

RecordId ParadoxChainKeySource::recordId(std::uint64_t entry) {
    key(entry);
    const auto at = file_.locate(entry);
    return resolve_(record_.data(), file_.blocks()[at.chainIndex].number, at.record);
}

void ParadoxChainKeySource::narrow(const std::function<bool(const std::uint8_t*)>& below, std::uint64_t& low,
                                   std::uint64_t& high) {
    if (!tree_) {
        narrowByReading(below, low, high);
        return;
    }
    if (starts_.empty()) {
        std::size_t leaf = 0;
        for (const auto& block : file_.blocks()) {
            if (block.records == 0) continue;
            const auto& k = tree_->leaves()[leaf++].key;
            firstKeys_.insert(firstKeys_.end(), k.begin(), k.begin() + static_cast<std::ptrdiff_t>(keyBytes_));
            starts_.push_back(block.firstPosition);
        }
        starts_.push_back(file_.recordCount());
    }
    // The last block whose first key is below the sought one holds the answer, or the answer
    // is the next block's first record.
    std::size_t lo = 0, hi = starts_.size() - 1;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (below(firstKeys_.data() + mid * keyBytes_))
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == 0) {
        low = high = 0;
        return;
    }
    low = std::max(low, starts_[lo - 1]);
    high = std::min(high, starts_[lo]);
}

// Without a tree the blocks' first keys are read as the search probes them: a cursor opened
// after every write (a batch move's lookups) then reads a few blocks, not one per block.
void ParadoxChainKeySource::narrowByReading(const std::function<bool(const std::uint8_t*)>& below, std::uint64_t& low,
                                            std::uint64_t& high) {
    const auto& blocks = file_.blocks();
    // The first block whose first key is not below the sought one; empty blocks are passed by.
    std::size_t lo = 0, hi = blocks.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        std::size_t probe = mid;
        while (probe < hi && blocks[probe].records == 0) ++probe;
        if (probe == hi) {
            hi = mid;
            continue;
        }
        file_.readRecord(blocks[probe].number, 0, record_.data());
        loaded_ = ~0ULL;
        if (below(record_.data()))
            lo = probe + 1;
        else
            hi = mid;
    }
    std::size_t previous = lo;
    while (previous > 0 && blocks[previous - 1].records == 0) --previous;
    if (previous == 0) {
        low = high = 0;
        return;
    }
    low = std::max(low, blocks[previous - 1].firstPosition);
    high = std::min(high, lo < blocks.size() ? blocks[lo].firstPosition : file_.recordCount());
}

}  // namespace tabulon::paradox
