#include "ChangeCache.h"

#include <algorithm>

#include "RecordFinding.h"

namespace tabulon {

bool ChangeCache::empty() const { return changeCount() == 0; }

void ChangeCache::clear() {
    edits_.clear();
    removed_.clear();
    originals_.clear();
    inserts_.clear();
}

std::size_t ChangeCache::insert(Record values) {
    inserts_.push_back(std::move(values));
    return inserts_.size() - 1;
}

void ChangeCache::edit(RecordId id, const Record& original, Record values) {
    originals_.try_emplace(id, original);
    edits_[id] = std::move(values);
}

void ChangeCache::remove(RecordId id, const Record& original) {
    originals_.try_emplace(id, original);
    edits_.erase(id);
    removed_.insert(id);
}

const Record* ChangeCache::edited(RecordId id) const {
    const auto found = edits_.find(id);
    return found == edits_.end() ? nullptr : &found->second;
}

std::size_t ChangeCache::liveInsertCount() const {
    std::size_t count = 0;
    for (const auto& record : inserts_) count += record.has_value();
    return count;
}

std::size_t ChangeCache::changeCount() const { return edits_.size() + removed_.size() + liveInsertCount(); }

void ChangeCache::applyTo(StorageTable& table) const {
    // Each stored change: its record id when the cache was filled, and the new values (null for
    // a delete). Ordered from the highest id down, so a delete seldom moves a later change's id.
    std::vector<std::pair<RecordId, const Record*>> changes;
    for (const auto& [id, values] : edits_) changes.emplace_back(id, &values);
    for (RecordId id : removed_) changes.emplace_back(id, nullptr);
    std::sort(changes.begin(), changes.end(), [](const auto& a, const auto& b) { return a.first > b.first; });

    const std::optional<MovingRecordFinder> finder = MovingRecordFinder::forTable(table);
    for (const auto& [lastId, values] : changes) {
        const RecordId id = findRecordAgain(table, finder, lastId, originals_.at(lastId)).id;
        values ? (void)table.update(id, *values) : table.remove(id);
    }
    for (const auto& record : inserts_)
        if (record) table.append(*record);
}

}  // namespace tabulon
