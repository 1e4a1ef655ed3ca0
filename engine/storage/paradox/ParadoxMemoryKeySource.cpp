#include "ParadoxMemoryKeySource.h"

#include <algorithm>
#include <numeric>

namespace tabulon::paradox {

void ParadoxMemoryKeySource::add(const std::uint8_t* key, RecordId id) {
    keys_.insert(keys_.end(), key, key + keyBytes_);
    ids_.push_back(id);
}

void ParadoxMemoryKeySource::sort(const ParadoxKeyOrder& order) {
    std::vector<std::size_t> perm(ids_.size());
    std::iota(perm.begin(), perm.end(), std::size_t{0});
    std::stable_sort(perm.begin(), perm.end(), [&](std::size_t a, std::size_t b) {
        return order.compare(keys_.data() + a * keyBytes_, keys_.data() + b * keyBytes_) < 0;
    });
    std::vector<std::uint8_t> keys(keys_.size());
    std::vector<RecordId> ids(ids_.size());
    for (std::size_t i = 0; i < perm.size(); ++i) {
        std::copy_n(keys_.begin() + static_cast<std::ptrdiff_t>(perm[i] * keyBytes_), keyBytes_,
                    keys.begin() + static_cast<std::ptrdiff_t>(i * keyBytes_));
        ids[i] = ids_[perm[i]];
    }
    keys_ = std::move(keys);
    ids_ = std::move(ids);
}

}  // namespace tabulon::paradox
