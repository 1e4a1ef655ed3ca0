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

Record keyOf(const Record& values, const std::vector<std::size_t>& keyFields) {
    Record key;
    key.reserve(keyFields.size());
    for (std::size_t position : keyFields) key.push_back(values.at(position));
    return key;
}

// Where the record whose primary key is `key` is now. Usually still at `id` (the writes before
// moved nothing), which one read confirms; only a moved record costs an index cursor, since
// every write invalidates the cursors open before it.
RecordId currentId(StorageTable& table, const IndexDef& primary, const std::vector<std::size_t>& keyFields, RecordId id,
                   const Record& key, Record& scratch) {
    try {
        table.readRecord(id, scratch);
        if (keyOf(scratch, keyFields) == key) return id;
    } catch (const EngineError& e) {
        if (e.kind() != errkind::kUsage) throw;  // only "no such record now" sends us to the index
    }
    const auto cursor = table.openIndex(primary.name);
    if (!cursor->seek(key, false) || cursor->key() != key)
        throw EngineError(errkind::kUsage, table.path().filename().string() +
                                               ": a changed record is gone (another writer deleted it)");
    return cursor->recordId();
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
        keys.reserve(changes.size());
        Record current;
        for (const auto& change : changes) {
            table.readRecord(change.first, current);
            keys.push_back(keyOf(current, keyFields));
        }
        for (std::size_t i = 0; i < changes.size(); ++i) {
            const RecordId id = currentId(table, *primary, keyFields, changes[i].first, keys[i], current);
            const Record* values = changes[i].second;
            values ? (void)table.update(id, *values) : table.remove(id);
        }
    }
    for (const auto& record : inserts_)
        if (record) table.append(*record);
}

}  // namespace tabulon
