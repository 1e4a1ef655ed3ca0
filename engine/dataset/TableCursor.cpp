#include "TableCursor.h"

#include "NaturalOrder.h"

namespace tabulon {

TableCursor::TableCursor(StorageTable& table, std::unique_ptr<RecordOrder> order, const ChangeCache* cache,
                         std::optional<FilterExpression> filter)
    : table_(table), order_(std::move(order)), cache_(cache), filter_(std::move(filter)) {}

std::vector<std::size_t> firstFilterFields(const std::optional<FilterExpression>& filter) {
    return filter && filter->partCount() != 0 ? filter->partFields(0) : std::vector<std::size_t>{};
}

// Whether the stored record `order` is on shows: the cache does not delete it and it (or its
// cached edit) passes the filter.
bool TableCursor::shows(RecordOrder& order) const {
    const RecordId id = order.recordId();
    if (cache_ && cache_->removed(id)) return false;
    if (!filter_) return true;
    if (const Record* edited = cache_ ? cache_->edited(id) : nullptr) return filter_->matches(*edited);
    for (std::size_t part = 0; part < filter_->partCount(); ++part)
        if (!filter_->partMatches(part, order.probe(filter_->partFields(part)))) return false;
    return true;
}

bool TableCursor::acceptStored() {
    if (!shows(*order_)) return false;
    const RecordId id = order_->recordId();
    const Record* edited = cache_ ? cache_->edited(id) : nullptr;
    if (edited)
        record_ = *edited;
    else
        order_->read(record_);
    current_ = Bookmark{true, false, id, 0};
    return true;
}

bool TableCursor::forwardFromStored(bool moved) {
    for (; moved; moved = order_->next())
        if (acceptStored()) return true;
    return scanInserts(0, 1);
}

bool TableCursor::backwardFromStored(bool moved) {
    for (; moved; moved = order_->prior())
        if (acceptStored()) return true;
    return false;
}

bool TableCursor::scanInserts(std::ptrdiff_t from, int step) {
    if (!cache_) return false;
    const auto& inserts = cache_->inserts();
    for (std::ptrdiff_t i = from; i >= 0 && i < static_cast<std::ptrdiff_t>(inserts.size()); i += step) {
        const auto& values = inserts[static_cast<std::size_t>(i)];
        if (!values || (filter_ && !filter_->matches(*values))) continue;
        record_ = *values;
        current_ = Bookmark{true, true, 0, static_cast<std::size_t>(i)};
        return true;
    }
    return false;
}

bool TableCursor::keepOrRestore(bool found, const Bookmark& before) {
    if (!found && before.valid) gotoBookmark(before);
    return found;
}

bool TableCursor::first() {
    const Bookmark before = current_;
    return keepOrRestore(forwardFromStored(order_->first()), before);
}

bool TableCursor::last() {
    const Bookmark before = current_;
    const std::ptrdiff_t lastInsert = cache_ ? static_cast<std::ptrdiff_t>(cache_->inserts().size()) - 1 : -1;
    if (scanInserts(lastInsert, -1)) return true;
    return keepOrRestore(backwardFromStored(order_->last()), before);
}

bool TableCursor::next() {
    if (!current_.valid) return first();
    const Bookmark before = current_;
    const bool found = current_.inserted ? scanInserts(static_cast<std::ptrdiff_t>(current_.insert) + 1, 1)
                                         : forwardFromStored(order_->next());
    return keepOrRestore(found, before);
}

bool TableCursor::prior() {
    if (!current_.valid) return last();
    const Bookmark before = current_;
    bool found;
    if (current_.inserted) {
        found = scanInserts(static_cast<std::ptrdiff_t>(current_.insert) - 1, -1) || backwardFromStored(order_->last());
    } else {
        found = backwardFromStored(order_->prior());
    }
    return keepOrRestore(found, before);
}

bool TableCursor::seek(const Record& key, bool partial) {
    const Bookmark before = current_;
    return keepOrRestore(forwardFromStored(order_->seek(key, partial)), before);
}

bool TableCursor::gotoBookmark(const Bookmark& bookmark) {
    if (!bookmark.valid) return false;
    if (bookmark.inserted) {
        if (!cache_ || bookmark.insert >= cache_->inserts().size() || !cache_->inserts()[bookmark.insert]) return false;
        record_ = *cache_->inserts()[bookmark.insert];
        current_ = bookmark;
        return true;
    }
    if (cache_ && cache_->removed(bookmark.id)) return false;
    Record stored;
    table_.readRecord(bookmark.id, stored);
    if (!order_->moveTo(bookmark.id, stored)) return false;
    const Record* edited = cache_ ? cache_->edited(bookmark.id) : nullptr;
    record_ = edited ? *edited : std::move(stored);
    current_ = bookmark;
    return true;
}

Record TableCursor::key() const { return current_.valid && !current_.inserted ? order_->key() : Record{}; }

std::uint64_t TableCursor::count() {
    if (!order_->holdsEveryRecord()) return countByWalking();
    // Without a filter the cache changes the count by its deletes and inserts alone.
    if (!filter_)
        return table_.recordCount() - (cache_ ? cache_->removedCount() : 0) + (cache_ ? cache_->liveInsertCount() : 0);
    NaturalOrder walker(table_, firstFilterFields(filter_));
    std::uint64_t count = 0;
    for (bool more = walker.first(); more; more = walker.next()) count += shows(walker);
    if (cache_)
        for (const auto& values : cache_->inserts()) count += values && filter_->matches(*values);
    return count;
}

std::uint64_t TableCursor::countByWalking() {
    const Bookmark here = current_;
    std::uint64_t count = 0;
    for (bool more = first(); more; more = next()) ++count;
    // Back where it stood; with no current record before, none again.
    if (!here.valid || !gotoBookmark(here)) current_ = here;
    return count;
}

std::uint64_t TableCursor::position() {
    if (!current_.valid) return 0;
    const Bookmark here = current_;
    std::uint64_t number = 1;
    for (bool more = first(); more && !(current_ == here); more = next()) ++number;
    gotoBookmark(here);
    return number;
}

}  // namespace tabulon
