#pragma once
// Edits one tag of a production .MDX in place: keys go into and out of their leaves, and a full
// block splits in two with its parent gaining the new half, up to a new root.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "../../io/PagedFile.h"
#include "../StorageTable.h"

namespace tabulon::dbase {

// Entries are ordered by key (descending tags reversed) and equal keys by record number, as
// buildMdx() writes them. A branch's key is the last key below it; the extra pointer after its
// last key leads to the keys above all others. Emptied leaves stay in the tree (readers pass
// over them); new blocks are taken from the end of the file. Every page number read is checked
// against the file, and a damaged tree ends in EngineError(EFormatError) naming the file.
class MdxTagTree {
public:
    // `tagHeader`: the file offset of the tag's header.
    MdxTagTree(PagedFile& file, std::uint64_t tagHeader);

    // `key` is the stored form of the key (mdxKeyBytes()).
    void insert(const std::string& key, RecordId record);
    // False when the tag holds no such entry.
    bool remove(const std::string& key, RecordId record);
    // Whether any entry has this key.
    bool contains(const std::string& key);

private:
    struct Node {
        std::uint32_t page = 0;
        bool leaf = true;
        // Leaves: record and key of each entry. Branches: child page and separator key, the last
        // child without a key.
        std::vector<std::pair<std::uint32_t, std::string>> items;
    };
    Node readNode(std::uint32_t page) const;
    void writeNode(const Node& node);
    std::uint32_t allocateBlock();
    int compareKeys(const std::string& a, const std::string& b) const;
    // Entry order: key, then record number.
    int compareEntry(const std::string& key, RecordId record, const std::string& otherKey, RecordId otherRecord) const;
    // The highest entry below `page` (record, key); none when its last leaf is empty.
    std::optional<std::pair<std::uint32_t, std::string>> lastEntryUnder(std::uint32_t page) const;
    // Looks for the entry below `page`, erasing it; record 0 matches any record and erases nothing.
    bool findUnder(std::uint32_t page, const std::string& key, RecordId record, std::unordered_set<std::uint32_t>& seen);
    [[noreturn]] void damaged(const std::string& why) const;

    PagedFile& file_;
    std::uint64_t tagHeader_;
    std::uint32_t root_ = 0;
    std::uint32_t blockSize_ = 1024;
    std::size_t keyLength_ = 0;
    std::size_t entryLength_ = 0;
    std::size_t capacity_ = 0;
    char keyType_ = 'C';
    bool descending_ = false;
};

}  // namespace tabulon::dbase
