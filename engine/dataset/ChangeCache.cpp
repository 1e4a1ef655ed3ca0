#include "ChangeCache.h"

#include <algorithm>

#include "../core/EngineError.h"

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

namespace {
const IndexDef* primaryIndex(const std::vector<IndexDef>& indexes) {
    for (const IndexDef& index : indexes)
        if (index.options & ixPrimary) return &index;
    return nullptr;
}

std::vector<std::size_t> keyFieldPositions(const StorageTable& table, const IndexDef& index) {
    std::vector<std::size_t> positions;
    std::string_view names = index.fields;
    while (!names.empty()) {
        const std::size_t end = std::min(names.find(';'), names.size());
        const std::string_view name = names.substr(0, end);
        for (std::size_t i = 0; i < table.fields().size(); ++i)
            if (table.fields()[i].name == name) positions.push_back(i);
        names.remove_prefix(std::min(end + 1, names.size()));
    }
    return positions;
}
}  // namespace

void ChangeCache::applyTo(StorageTable& table) const {
    // Each stored change: its record id when the cache was filled, and the new values (null for
    // a delete). Ordered from the highest id down, so a delete never shifts a later change's id.
    std::vector<std::pair<RecordId, const Record*>> changes;
    for (const auto& [id, values] : edits_) changes.emplace_back(id, &values);
    for (RecordId id : removed_) changes.emplace_back(id, nullptr);
    std::sort(changes.begin(), changes.end(), [](const auto& a, const auto& b) { return a.first > b.first; });

    const std::vector<IndexDef> indexes = table.indexes();
    const IndexDef* primary = table.writesMoveRecords() ? primaryIndex(indexes) : nullptr;
    if (!primary) {
        for (const auto& [id, values] : changes) values ? (void)table.update(id, *values) : table.remove(id);
    } else {
        // Writes move records: take every record's primary key before anything changes, and find
        // the record by it just before its own change.
        const std::vector<std::size_t> keyFields = keyFieldPositions(table, *primary);
        std::vector<Record> keys;
        Record current;
        for (const auto& change : changes) {
            table.readRecord(change.first, current);
            Record key;
            for (std::size_t position : keyFields) key.push_back(current[position]);
            keys.push_back(std::move(key));
        }
        for (std::size_t i = 0; i < changes.size(); ++i) {
            auto cursor = table.openIndex(primary->name);
            if (!cursor->seek(keys[i], false) || cursor->key() != keys[i])
                throw EngineError(errkind::kUsage, table.path().filename().string() +
                                                       ": a changed record is gone (another writer deleted it)");
            const Record* values = changes[i].second;
            values ? (void)table.update(cursor->recordId(), *values) : table.remove(cursor->recordId());
        }
    }
    for (const auto& record : inserts_)
        if (record) table.append(*record);
}

}  // namespace tabulon
