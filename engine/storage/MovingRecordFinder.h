#pragma once
// Finds records again by primary key in a table whose writes move records.
#include <optional>
#include <vector>

#include "StorageTable.h"

namespace tabulon {

// A keyed Paradox table keeps records in key order, so a write may change the ids of other
// records: whoever holds ids across writes takes each record's primary key before the first
// write and finds the record by it before its own change. Valid while the table's fields
// and indexes stay as they are. Same thread as the table.
class MovingRecordFinder {
public:
    // Nullopt when the table's ids stay put across writes, or it has no primary index.
    static std::optional<MovingRecordFinder> forTable(const StorageTable& table);

    // The primary key's values in the record `values`.
    Record keyOf(const Record& values) const;
    // The id the record with primary key `key` has now; `lastId` is where it was before the
    // writes began. Throws EUsageError naming the table when no record has it (another writer
    // deleted it).
    RecordId find(StorageTable& table, const Record& key, RecordId lastId) const;

private:
    IndexDef primary_;
    std::vector<std::size_t> keyFields_;
};

}  // namespace tabulon
