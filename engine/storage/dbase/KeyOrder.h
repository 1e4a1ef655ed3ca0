#pragma once
// How a tag's decoded entries compare with each other and with a search key, and what values
// an entry's key stands for: shared by the cursors over a tag.
#include <string>

#include "../../core/TextCodec.h"
#include "IndexFile.h"

namespace tabulon::dbase {

// Character keys compare byte by byte in the table's code page (as the file orders them),
// numbers and dates by value; a descending tag reverses both. The codec must outlive it.
class KeyOrder {
public:
    KeyOrder(std::string tagName, KeyType type, bool descending, const TextCodec& codec)
        : tagName_(std::move(tagName)), type_(type), descending_(descending), codec_(codec) {}

    // The entry a search for `key` (not empty, not null) looks for; EValueError when the code
    // page cannot hold it.
    IndexEntry wanted(const Value& key) const;
    // Below zero when `entry` comes before `wanted` in index order; `partial` compares only
    // as many bytes as `wanted` holds.
    int compare(const IndexEntry& entry, const IndexEntry& wanted, bool partial) const;
    // Whether `entry` comes strictly before `other` in index order: by key, equal keys by
    // record number (ascending in a descending tag too).
    bool precedes(const IndexEntry& entry, const IndexEntry& other) const;
    // The key's value, character keys without their padding.
    Record valuesOf(const IndexEntry& entry) const;

private:
    std::string tagName_;
    KeyType type_;
    bool descending_;
    const TextCodec& codec_;
};

}  // namespace tabulon::dbase
