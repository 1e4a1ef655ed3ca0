#include "MovingRecordFinder.h"

#include <string_view>

#include "../core/EngineError.h"

namespace tabulon {

std::optional<MovingRecordFinder> MovingRecordFinder::forTable(const StorageTable& table) {
    if (!table.writesMoveRecords()) return std::nullopt;
    for (const IndexDef& index : table.indexes()) {
        if (!(index.options & ixPrimary)) continue;
        MovingRecordFinder finder;
        finder.primary_ = index;
        std::string_view names = index.fields;
        while (!names.empty()) {
            const std::size_t end = std::min(names.find(';'), names.size());
            const std::string_view name = names.substr(0, end);
            for (std::size_t i = 0; i < table.fields().size(); ++i)
                if (table.fields()[i].name == name) finder.keyFields_.push_back(i);
            names.remove_prefix(std::min(end + 1, names.size()));
        }
        return finder;
    }
    return std::nullopt;
}

Record MovingRecordFinder::keyOf(const Record& values) const {
    Record key;
    for (std::size_t position : keyFields_) key.push_back(values.at(position));
    return key;
}

RecordId MovingRecordFinder::find(StorageTable& table, const Record& key, RecordId lastId) const {
    // Usually the record is still at `lastId` (the writes before moved nothing), which one read
    // confirms; only a moved record costs an index cursor, since every write invalidates the
    // cursors open before it.
    try {
        Record current;
        table.readRecord(lastId, current);
        if (keyOf(current) == key) return lastId;
    } catch (const EngineError& e) {
        if (e.kind() != errkind::kUsage) throw;  // only "no such record now" sends us to the index
    }
    auto cursor = table.openIndex(primary_.name);
    if (!cursor->seek(key, false) || cursor->key() != key)
        throw EngineError(errkind::kUsage,
                          table.path().filename().string() + ": a changed record is gone (another writer deleted it)");
    return cursor->recordId();
}

}  // namespace tabulon
