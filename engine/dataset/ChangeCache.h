#pragma once
// The edits, inserts and deletes of a table with cached updates, held until applied.
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "../storage/StorageTable.h"

namespace tabulon {

// Plain data with the rules of how changes combine: an edit of an inserted record changes the
// insert; deleting an inserted record drops it; deleting a stored record forgets its edit. A
// stored record's change keeps the record's values as first read, to find it again when applied.
// Same thread as its table.
class ChangeCache {
public:
    bool empty() const;
    void clear();

    // `original`: the stored record as read; only the first change of a record keeps it.
    void edit(RecordId id, const Record& original, Record values);
    void editInsert(std::size_t insert, Record values) { inserts_.at(insert) = std::move(values); }
    std::size_t insert(Record values);
    void remove(RecordId id, const Record& original);
    void removeInsert(std::size_t insert) { inserts_.at(insert).reset(); }

    bool removed(RecordId id) const { return removed_.count(id) != 0; }
    // The edited values of a stored record; null when it is not edited.
    const Record* edited(RecordId id) const;
    // Inserted records in order; dropped ones are empty.
    const std::vector<std::optional<Record>>& inserts() const { return inserts_; }
    std::size_t changeCount() const;
    // How many stored records the cache deletes, and how many inserts it keeps.
    std::size_t removedCount() const { return removed_.size(); }
    std::size_t liveInsertCount() const;

    // Writes every change into `table` (stored records' changes, then inserts), for a caller that
    // holds the transaction. Each stored record is found again by its original values, so writes
    // since the cache was filled may have moved it; one gone or changed by another writer throws
    // EUsageError naming it. Throws what the table throws (EKeyViolation, EValueError...).
    void applyTo(StorageTable& table) const;

private:
    std::map<RecordId, Record> edits_;
    std::set<RecordId> removed_;
    std::map<RecordId, Record> originals_;  // of every edited or removed stored record
    std::vector<std::optional<Record>> inserts_;
};

}  // namespace tabulon
