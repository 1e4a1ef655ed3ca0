#pragma once
// A KeyCursor over one tag's entries, read into memory in index order.
#include <functional>
#include <vector>

#include "../../core/TextCodec.h"
#include "IndexFile.h"
#include "KeyOrder.h"

namespace tabulon::dbase {

// Entries whose record is deleted or missing are passed over; keys compare as KeyOrder says.
// Used for trees the walking cursor cannot follow. Same thread as its table; the codec must
// outlive it.
class IndexCursor : public KeyCursor {
public:
    IndexCursor(IndexDef definition, KeyType type, bool descending, std::vector<IndexEntry> entries,
                const TextCodec& codec, std::function<bool(RecordId)> live);

    const IndexDef& definition() const override { return definition_; }
    bool first() override;
    bool last() override;
    bool next() override;
    bool prior() override;
    bool seek(const Record& key, bool partial) override;
    RecordId recordId() const override;
    Record key() const override;
    bool holdsEveryRecord() const override { return tagHoldsEveryRecord(definition_); }
    bool reachedOutOfOrder() const override { return outOfOrder_; }

private:
    // Moves from `position` by `step` to the first live entry; false (off the end) when none.
    bool settle(std::ptrdiff_t position, int step);

    IndexDef definition_;
    KeyOrder order_;
    std::vector<IndexEntry> entries_;
    std::function<bool(RecordId)> live_;
    std::ptrdiff_t position_ = -1;  // -1 before the first, size() after the last
    bool off_ = false;              // a move ran off an end: stays off until first, last or seek
    bool outOfOrder_ = false;
};

}  // namespace tabulon::dbase
