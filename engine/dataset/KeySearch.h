#pragma once
// A dataset table's search in its current index: the key buffer and the moves that find it.
#include <optional>
#include <vector>

#include "TableNavigator.h"

namespace tabulon {

// Key-editing mode (the table's SetKey state) collects values for the index's key fields, each
// marked as assigned; a search then uses the leading key fields up to the last one assigned,
// those left unassigned before it sorting lowest. The table checks its state and converts the
// values. Same thread as its table.
class KeySearch {
public:
    // The index ordering the table now (none: record order) among `fields`; forgets the key.
    void setIndex(const std::optional<IndexDef>& index, const std::vector<FieldDef>& fields);
    // Enters key-editing mode, with the previous search's values or (`keepValues` false) none.
    void begin(bool keepValues);
    // Leaves key-editing mode keeping the values.
    void end() { editing_ = false; }
    bool editing() const { return editing_; }

    std::size_t keyFieldCount() const { return keyFields_.size(); }
    // The position among the table's fields of key field `k`.
    std::size_t keyField(std::size_t k) const { return keyFields_.at(k); }
    bool inKey(std::size_t field) const;
    const Value& value(std::size_t field) const { return buffer_.at(field); }
    // Sets a field that is inKey() and marks it assigned.
    void assign(std::size_t field, Value value);

    // Leaves key-editing mode and goes to the first record whose key is >= the key; to the last
    // record, with EOF set, when none is; to the first when no key field is assigned.
    void gotoNearest(TableNavigator& navigator);
    // Leaves key-editing mode; goes to the record whose key equals the assigned leading fields
    // (letter case ignored in a case-insensitive index) and returns true, or stays and returns
    // false.
    bool gotoKey(TableNavigator& navigator);

private:
    Record key() const;

    std::vector<std::size_t> keyFields_;
    bool caseInsensitive_ = false;
    Record buffer_;  // one value per field of the table; only key fields used
    std::vector<bool> assigned_;
    bool editing_ = false;
};

}  // namespace tabulon
