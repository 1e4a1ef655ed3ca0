#include "TableNavigator.h"

#include "../core/EngineError.h"

namespace tabulon {

void TableNavigator::reset() {
    cursor_.reset();
    bof_ = eof_ = true;
}

void TableNavigator::first() {
    eof_ = !cursor_->first();
    bof_ = true;
}

void TableNavigator::last() {
    bof_ = !cursor_->last();
    eof_ = true;
}

void TableNavigator::next() {
    eof_ = !cursor_->next();
    bof_ = false;
}

void TableNavigator::prior() {
    bof_ = !cursor_->prior();
    eof_ = false;
}

bool TableNavigator::gotoBookmark(const Bookmark& bookmark) {
    if (!cursor_->gotoBookmark(bookmark)) return false;
    bof_ = eof_ = false;
    return true;
}

void TableNavigator::reposition(const Bookmark& bookmark) {
    try {
        if (bookmark.valid && gotoBookmark(bookmark)) return;
    } catch (const EngineError& e) {
        // Another writer's commit moved the record away: the change itself is done.
        if (e.kind() != errkind::kUsage) throw;
    }
    first();
}

bool TableNavigator::seek(const Record& key) {
    if (!cursor_->seek(key, false)) return false;
    bof_ = eof_ = false;
    return true;
}

Bookmark TableNavigator::neighbour() {
    const Bookmark here = cursor_->bookmark();
    if (cursor_->next()) return cursor_->bookmark();
    if (cursor_->gotoBookmark(here) && cursor_->prior()) return cursor_->bookmark();
    return Bookmark{};
}

}  // namespace tabulon
