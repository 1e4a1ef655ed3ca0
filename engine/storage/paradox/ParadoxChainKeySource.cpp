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
    if (starts_.empty()) {
        std::size_t leaf = 0;
        for (const auto& block : file_.blocks()) {
            if (block.records == 0) continue;
            if (tree_) {
                const auto& k = tree_->leaves()[leaf++].key;
                firstKeys_.insert(firstKeys_.end(), k.begin(), k.begin() + static_cast<std::ptrdiff_t>(keyBytes_));
            } else {
                file_.readRecord(block.number, 0, record_.data());
                loaded_ = ~0ULL;
                firstKeys_.insert(firstKeys_.end(), record_.begin(), record_.begin() + static_cast<std::ptrdiff_t>(keyBytes_));
            }
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

}  // namespace tabulon::paradox
