#pragma once
// Finds a stored record again, by its values as read, before a write changes it.
#include <optional>

#include "../storage/MovingRecordFinder.h"
#include "../storage/StorageTable.h"

namespace tabulon {

// A stored record found again: the id it has now and its values as stored.
struct FoundRecord {
    RecordId id = 0;
    Record stored;
};

// The record that held `original` at `lastId`, as it is now. Writes since it was read (another
// writer's commit, or earlier changes of the same apply) may have moved it in a table whose
// writes move records: then it is found by primary key through `finder` when the table has one,
// else by its values, nearest its old position first. Throws EUsageError naming the table's file
// and the record when it is gone or another writer changed it since: a write through the id
// returned never lands on another record. Same thread as the table.
FoundRecord findRecordAgain(StorageTable& table, const std::optional<MovingRecordFinder>& finder, RecordId lastId,
                            const Record& original);

}  // namespace tabulon
