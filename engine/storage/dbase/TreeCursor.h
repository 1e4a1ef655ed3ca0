#pragma once
// A KeyCursor that walks one tag's B-tree a page at a time, through the file's page cache.
#include <functional>
#include <vector>

#include "IndexCatalog.h"
#include "KeyOrder.h"

namespace tabulon::dbase {

// Holds only the path from the root to one leaf, so opening a tag costs a few page reads
// whatever its size. Entries whose record is deleted or missing are passed over; keys compare
// as KeyOrder says. When the file changes under it (the table's in-place index upkeep), the
// cursor finds its entry again by key and record, or the entry after it if that is gone. A
// damaged tree (a page outside the file, a node too full, a loop) ends in EngineError(EFormatError)
// naming the file: every walk is bounded by the number of pages in the file. Same thread as its
// table; the file and codec must outlive it.
class TreeCursor : public KeyCursor {
public:
    TreeCursor(IndexDef definition, const IndexFile& file, std::size_t tag, KeyLayout layout, bool descending,
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
    struct Node {
        std::uint32_t page = 0;
        std::vector<std::uint8_t> bytes;
        std::ptrdiff_t count = 0;  // keys
        std::ptrdiff_t children = 0;
        bool leaf = true;
        std::ptrdiff_t at = 0;  // the entry (leaf) or child (branch) the walk stands on
    };
    // Before: not moved yet; Off: a move ran off an end, and stays off until first, last or seek.
    enum class Place { Before, On, Off };
    enum class Refound { Same, Successor, None };

    // Reads the tree's shape and root afresh and allows a new walk its page reads.
    std::uint32_t begin();
    Node read(std::uint32_t page);
    std::uint32_t childOf(const Node& branch, std::ptrdiff_t i) const;
    RecordId recordOf(const Node& leaf, std::ptrdiff_t i) const;
    // A leaf's entry, or a branch's separator key (record 0).
    IndexEntry entryOf(const Node& node, std::ptrdiff_t i) const;
    // Adds the nodes from `page` down to a leaf, each standing on its first or last child.
    void descend(std::uint32_t page, bool toLast);
    // Moves the path to the next leaf in direction `step`; false (path empty) past the end.
    bool nextLeaf(int step);
    // From the leaf entry the path stands on, moving by `step` to the first live entry.
    bool settle(int step);
    // Stands on the first entry for which `atOrAfter(entry, isLeaf)` holds; false when none.
    bool find(const std::function<bool(const IndexEntry&, bool)>& atOrAfter);
    // After the file changed: the path back onto the current entry.
    Refound refind();
    [[noreturn]] void damaged(const std::string& why) const;

    IndexDef definition_;
    const IndexFile& file_;
    std::size_t tag_;
    KeyLayout layout_;
    KeyOrder order_;
    std::function<bool(RecordId)> live_;
    TreeShape shape_;
    std::vector<Node> path_;  // root to leaf
    Place place_ = Place::Before;
    IndexEntry current_;
    IndexEntry previous_;  // the entry next() came from, its buffer reused
    bool outOfOrder_ = false;
    std::uint64_t changes_ = 0;  // the file's change count the path was read at
    std::uint64_t budget_ = 0;   // page reads left before the walk is taken for a loop
};

}  // namespace tabulon::dbase
