#pragma once
// Index entries built in memory from the table's records, for indexes whose file cannot be
// trusted (not maintained, out of date) or whose entries cannot be mapped to records.
#include <vector>

#include "ParadoxKeyOrder.h"
#include "ParadoxKeySource.h"

namespace tabulon::paradox {

class ParadoxMemoryKeySource : public ParadoxKeySource {
public:
    explicit ParadoxMemoryKeySource(int keyBytes) : keyBytes_(static_cast<std::size_t>(keyBytes)) {}

    void add(const std::uint8_t* key, RecordId id);
    // Sorts the entries added so far; equal keys keep their order of adding.
    void sort(const ParadoxKeyOrder& order);

    std::uint64_t size() const override { return ids_.size(); }
    const std::uint8_t* key(std::uint64_t entry) override { return keys_.data() + entry * keyBytes_; }
    RecordId recordId(std::uint64_t entry) override { return ids_[entry]; }

private:
    std::size_t keyBytes_;
    std::vector<std::uint8_t> keys_;
    std::vector<RecordId> ids_;
};

}  // namespace tabulon::paradox
