#pragma once
// The record a dataset table is editing or inserting, and which of its fields were assigned.
#include <cstddef>
#include <vector>

#include "Bookmark.h"

namespace tabulon {

// Holds the values being edited, the record they edit (its bookmark and its values as read, to
// find it again) and the fields assigned since editing began. An update writes the assigned
// fields only, onto the record as stored when it is found again, so a field nobody assigned is
// never written back from the copy read at edit(). A field counts as changed once assigned,
// even to the value it had. Plain data; the table checks states and values. Same thread as its
// table.
class EditBuffer {
public:
    // Starts editing the stored or cached record `record`, whose values are `values`.
    void edit(const Bookmark& record, const Record& values);
    // Starts a new record of `fieldCount` empty values.
    void insert(std::size_t fieldCount);
    // Stops editing, forgetting the values.
    void clear();

    bool active() const { return mode_ != Mode::None; }
    bool editing() const { return mode_ == Mode::Edit; }
    bool inserting() const { return mode_ == Mode::Insert; }

    const Record& values() const { return values_; }
    // Sets field `index` and counts it as changed.
    void assign(std::size_t index, Value value);
    // One flag per field: whether it was assigned since editing began.
    const std::vector<bool>& changedFields() const { return changed_; }
    bool anyChanged() const;

    // The record edited and its values as read; an invalid bookmark while inserting.
    const Bookmark& target() const { return target_; }
    const Record& original() const { return original_; }
    // `stored` with the changed fields replaced by the buffer's values.
    Record appliedTo(Record stored) const;

private:
    enum class Mode { None, Edit, Insert };
    Mode mode_ = Mode::None;
    Record values_;
    std::vector<bool> changed_;
    Bookmark target_;
    Record original_;
};

}  // namespace tabulon
