#pragma once
// The edits, inserts and deletes of a table with cached updates, held until applied.
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "../storage/StorageTable.h"

namespace tabulon {

// Plain data with the rules of how changes combine: an edit of an inserted record changes the
// insert; deleting an inserted record drops it; deleting a stored record forgets its edit.
// Same thread as its table.
class ChangeCache {
public:
    bool empty() const;
    void clear();

    void edit(RecordId id, Record values) { edits_[id] = std::move(values); }
    void editInsert(std::size_t insert, Record values) { inserts_.at(insert) = std::move(values); }
    std::size_t insert(Record values);
    void remove(RecordId id);
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

    // Writes every change into `table` (deletes, then edits, then inserts), for a caller that
    // holds the transaction. Throws what the table throws (EKeyViolation, EValueError...).
    void applyTo(StorageTable& table) const;

private:
    std::map<RecordId, Record> edits_;
    std::set<RecordId> removed_;
    std::vector<std::optional<Record>> inserts_;
};

}  // namespace tabulon
