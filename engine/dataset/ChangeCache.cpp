#include "ChangeCache.h"

namespace tabulon {

bool ChangeCache::empty() const { return changeCount() == 0; }

void ChangeCache::clear() {
    edits_.clear();
    removed_.clear();
    inserts_.clear();
}

std::size_t ChangeCache::insert(Record values) {
    inserts_.push_back(std::move(values));
    return inserts_.size() - 1;
}

void ChangeCache::remove(RecordId id) {
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
    // Ids of stored records stay valid until the table changes shape; deletes go first and
    // from the highest id down, so earlier ids are not disturbed by later deletes.
    for (auto it = removed_.rbegin(); it != removed_.rend(); ++it) table.remove(*it);
    for (const auto& [id, values] : edits_) table.update(id, values);
    for (const auto& record : inserts_)
        if (record) table.append(*record);
}

}  // namespace tabulon
