#include "IndexCursor.h"

#include <algorithm>

#include "../../core/EngineError.h"

namespace tabulon::dbase {

IndexCursor::IndexCursor(IndexDef definition, KeyType type, bool descending, std::vector<IndexEntry> entries,
                         const TextCodec& codec, std::function<bool(RecordId)> live)
    : definition_(std::move(definition)),
      order_(definition_.name, type, descending, codec),
      entries_(std::move(entries)),
      live_(std::move(live)) {}

bool IndexCursor::settle(std::ptrdiff_t position, int step) {
    const auto size = static_cast<std::ptrdiff_t>(entries_.size());
    while (position >= 0 && position < size && !live_(entries_[static_cast<std::size_t>(position)].record))
        position += step;
    position_ = std::clamp<std::ptrdiff_t>(position, -1, size);
    off_ = position_ < 0 || position_ >= size;
    return !off_;
}

bool IndexCursor::first() { return settle(0, 1); }
bool IndexCursor::last() { return settle(static_cast<std::ptrdiff_t>(entries_.size()) - 1, -1); }

bool IndexCursor::next() {
    // The entries are kept as the file stores them, so the order is the file's.
    const std::ptrdiff_t from = position_;
    const bool on = !off_ && settle(position_ + 1, 1);
    outOfOrder_ =
        on && from >= 0 &&
        order_.precedes(entries_[static_cast<std::size_t>(position_)], entries_[static_cast<std::size_t>(from)]);
    return on;
}

bool IndexCursor::prior() {
    if (off_ || position_ < 0) {
        off_ = true;
        return false;
    }
    return settle(position_ - 1, -1);
}

bool IndexCursor::seek(const Record& key, bool partial) {
    if (key.empty() || key.front().isNull()) return first();
    const IndexEntry wanted = order_.wanted(key.front());
    const auto it = std::partition_point(entries_.begin(), entries_.end(),
                                         [&](const IndexEntry& e) { return order_.compare(e, wanted, partial) < 0; });
    return settle(it - entries_.begin(), 1);
}

RecordId IndexCursor::recordId() const {
    if (position_ < 0 || position_ >= static_cast<std::ptrdiff_t>(entries_.size()))
        throw EngineError(errkind::kUsage, "The cursor on " + definition_.name + " is off the ends of the index");
    return entries_[static_cast<std::size_t>(position_)].record;
}

Record IndexCursor::key() const {
    recordId();  // checks the position
    return order_.valuesOf(entries_[static_cast<std::size_t>(position_)]);
}

}  // namespace tabulon::dbase
