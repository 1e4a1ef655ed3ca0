#pragma once
// Finds a batch move's destination records by the key of one of its indexes.
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "../storage/StorageTable.h"

namespace tabulon {

// A table whose record ids stay put (dBase) is walked once along the index into a map from key
// to record, which the move keeps current; a table whose writes move records (keyed Paradox)
// is searched through the index, with one cursor reused until the next write. Keys compare as
// the index does for the kinds batch moves meet: numbers by value, text without trailing
// blanks, and without letter case for a case-insensitive index. One thread.
class KeyLookup {
public:
    // `keyFields` are the destination's field positions that make up the key of `index`.
    KeyLookup(StorageTable& table, const IndexDef& index, std::vector<std::size_t> keyFields);

    // The record whose key equals the key fields of `values`.
    std::optional<RecordId> find(const Record& values);
    // Tell the lookup about every write to the table.
    void appended(const Record& values, RecordId id);
    void removed(const Record& values);
    void updated();

private:
    std::string mapKey(const Record& keyValues) const;
    Record keyOf(const Record& values) const;

    StorageTable& table_;
    IndexDef index_;
    std::vector<std::size_t> keyFields_;
    bool mapped_;
    std::unordered_map<std::string, RecordId> records_;
    std::unique_ptr<KeyCursor> cursor_;  // null after a write
};

}  // namespace tabulon
