#pragma once
// Where a dataset table stands in its view, and whether the last move ran off either end.
#include <memory>

#include "TableCursor.h"

namespace tabulon {

// Moves through the view's TableCursor, which the table replaces whenever its view changes
// (order, filter, cache, a commit), keeping the BOF and EOF flags: first() and prior() at the
// start set BOF, last() and next() at the end set EOF, an empty view has both, and landing on a
// record by bookmark or key clears both. Without a cursor (a closed table) there is no record
// and both are set. Same thread as its table.
class TableNavigator {
public:
    // The cursor over the view now; a move or reposition() then places it.
    void setCursor(std::unique_ptr<TableCursor> cursor) { cursor_ = std::move(cursor); }
    void reset();

    void first();
    void last();
    void next();
    void prior();
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }

    bool onRecord() const { return cursor_ && cursor_->onRecord(); }
    const Record& record() const { return cursor_->record(); }
    const Bookmark& bookmark() const { return cursor_->bookmark(); }
    // The key of the current record in the index order; empty in record order.
    Record key() const { return cursor_->key(); }
    std::uint64_t count() { return cursor_->count(); }
    std::uint64_t position() { return cursor_->position(); }

    // False, staying where it is, when the view has no such record.
    bool gotoBookmark(const Bookmark& bookmark);
    // Goes to `bookmark` when the view still has it, else to the first record.
    void reposition(const Bookmark& bookmark);
    // Goes to the first record whose key is >= `key`; false, staying, when none is.
    bool seek(const Record& key);
    // Where deleting the current record leaves the table: the next record, else the prior one;
    // invalid when there is neither. The cursor moves without the flags changing, to be
    // replaced after the deletion.
    Bookmark neighbour();

private:
    std::unique_ptr<TableCursor> cursor_;
    bool bof_ = true;
    bool eof_ = true;
};

}  // namespace tabulon
