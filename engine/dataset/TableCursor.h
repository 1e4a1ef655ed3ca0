#pragma once
// Walks the records a dataset table shows: stored ones in an order, with cached changes laid
// over them and cached inserts after them, skipping those the filter rejects.
#include <memory>
#include <optional>

#include "Bookmark.h"
#include "ChangeCache.h"
#include "RecordOrder.h"
#include "filter/FilterExpression.h"

namespace tabulon {

// Reads one record at a time; counting and numbering walk the table without keeping it.
// Moves that find no record return false and leave the cursor where it was. Same thread as
// its table; the storage table, cache and predicate must outlive it.
class TableCursor {
public:
    // `cache` may be null (no cached updates); without a `filter` every record shows. Stored
    // records are tested part by part on the fields their order probes, so a natural order
    // should be built to probe firstFilterFields(filter).
    TableCursor(StorageTable& table, std::unique_ptr<RecordOrder> order, const ChangeCache* cache,
                std::optional<FilterExpression> filter);

    bool first();
    bool last();
    bool next();
    bool prior();
    // The first shown record with key >= `key`; false when there is none.
    bool seek(const Record& key, bool partial);
    bool gotoBookmark(const Bookmark& bookmark);

    bool onRecord() const { return current_.valid; }
    const Record& record() const { return record_; }
    const Bookmark& bookmark() const { return current_; }
    // The key of the current stored record in the index order; empty otherwise.
    Record key() const;

    // Records shown: in an order that leaves records out, counted by walking it; else with a
    // filter, by walking the table in natural order and testing only the filter's fields;
    // without one, from the table's count and the cache.
    std::uint64_t count();
    // 1-based number of the current record among those shown; 0 when there is none.
    std::uint64_t position();

private:
    bool shows(RecordOrder& order) const;
    bool acceptStored();
    bool forwardFromStored(bool moved);
    bool backwardFromStored(bool moved);
    bool scanInserts(std::ptrdiff_t from, int step);
    bool keepOrRestore(bool found, const Bookmark& before);
    std::uint64_t countByWalking();

    StorageTable& table_;
    std::unique_ptr<RecordOrder> order_;
    const ChangeCache* cache_;
    std::optional<FilterExpression> filter_;
    Bookmark current_;
    Record record_;
};

// The fields the first part of `filter` tests (empty: none, or no filter).
std::vector<std::size_t> firstFilterFields(const std::optional<FilterExpression>& filter);

}  // namespace tabulon
