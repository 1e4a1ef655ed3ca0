#pragma once
// Edits one B-tree of an .MDX tag or an .NDX file in place: keys go into and out of their
// leaves, and a full node splits in two with its parent gaining the new half, up to a new root.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "../../io/PagedFile.h"
#include "../StorageTable.h"

namespace tabulon::dbase {

// Entries are ordered by key (descending tags reversed) and equal keys by record number, as
// buildMdx() and buildNdx() write them. A branch's key is the last key below it; the extra
// pointer after its last key leads to the keys above all others. Emptied leaves stay in the
// tree (readers pass over them); new nodes are taken from the end of the file. Every page number
// read is checked against the file, and a damaged tree ends in EngineError(EFormatError) naming
// the file.
class IndexTree {
public:
    // The tree of the .MDX tag whose header lies at file offset `tagHeader`.
    static IndexTree ofMdxTag(PagedFile& file, std::uint64_t tagHeader);
    // The tree of an .NDX file.
    static IndexTree ofNdx(PagedFile& file);

    // `key` is the stored form of the key (mdxKeyBytes(), ndxKeyBytes()).
    void insert(const std::string& key, RecordId record);
    // False when the tree holds no such entry.
    bool remove(const std::string& key, RecordId record);
    // Whether any entry has this key.
    bool contains(const std::string& key);

private:
    // Where a format keeps things. Page numbers count 512-byte pages.
    struct Shape {
        std::uint32_t nodeSize = 0;
        std::size_t entriesAt = 0;  // the first entry within a node
        std::size_t entryLength = 0;
        std::size_t keyAt = 0;     // the key within an entry
        std::size_t recordAt = 0;  // a leaf entry's record number within the entry
        bool ndx = false;          // NDX: a leaf's entries have no child; MDX: nothing follows a leaf's last entry
        std::uint64_t rootAt = 0;  // the file offset of the root's page number
    };
    struct Node {
        std::uint32_t page = 0;
        bool leaf = true;
        // Leaves: record and key of each entry. Branches: child page and separator key, the last
        // child without a key.
        std::vector<std::pair<std::uint32_t, std::string>> items;
    };
    // How keys compare: as bytes, as packed decimals (.MDX numbers) or as little-endian doubles.
    enum class KeyForm { Bytes, Bcd, Double };
    IndexTree(PagedFile& file, Shape shape, std::size_t keyLength, KeyForm form, bool descending);

    // The node at `page` as stored, read into `block`: its entry count and whether it is a
    // leaf, checked against the node's room. Walks that pass through a node use this alone.
    struct Stored {
        std::uint32_t count = 0;
        bool leaf = true;
    };
    Stored readStored(std::uint32_t page, std::vector<std::uint8_t>& block) const;
    const std::uint8_t* entryAt(const std::vector<std::uint8_t>& block, std::size_t i) const {
        return block.data() + shape_.entriesAt + i * shape_.entryLength;
    }
    // A branch's child i (i == count: its closing pointer) and a leaf's record i.
    std::uint32_t pointerAt(const std::vector<std::uint8_t>& block, const Stored& node, std::size_t i) const;
    Node nodeOf(std::uint32_t page, const std::vector<std::uint8_t>& block, const Stored& stored) const;
    Node readNode(std::uint32_t page) const;
    void writeNode(const Node& node);
    std::uint32_t allocateNode();
    int compareKeys(const std::string& a, const std::string& b) const { return compareKeys(a.data(), b.data()); }
    int compareKeys(const char* a, const char* b) const;
    // Entry order: key, then record number.
    int compareEntry(const std::string& key, RecordId record, const std::string& otherKey, RecordId otherRecord) const;
    // The highest entry below `page` (record, key); none when its last leaf is empty.
    std::optional<std::pair<std::uint32_t, std::string>> lastEntryUnder(std::uint32_t page) const;
    // The child of the branch `node` (stored in `block`) where the entry (key, record) belongs.
    std::size_t childFor(const std::vector<std::uint8_t>& block, const Stored& node, const std::string& key,
                         RecordId record) const;
    // Looks for the entry below `page`, erasing it; record 0 matches any record and erases nothing.
    bool findUnder(std::uint32_t page, const std::string& key, RecordId record,
                   std::unordered_set<std::uint32_t>& seen);
    std::string padded(const std::string& key) const;
    [[noreturn]] void damaged(const std::string& why) const;

    PagedFile* file_;
    Shape shape_;
    std::size_t keyLength_;
    KeyForm form_;
    bool descending_;
    std::size_t capacity_;
    std::uint32_t root_ = 0;
};

}  // namespace tabulon::dbase
