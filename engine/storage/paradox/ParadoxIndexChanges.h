#pragma once
// The entries a secondary index gains and loses in one transaction, applied to its .Xnn/.XGn
// at commit in place of a rebuild.
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "ParadoxDataFile.h"
#include "ParadoxKeyOrder.h"

namespace tabulon::paradox {

// An entry is a whole .X record; its first keyBytes (secondary fields, then the primary key)
// identify it, since the primary key is unique. Changes to one entry net out: an entry added
// and removed again leaves no trace, one removed and added again (its block hint changed) is
// replaced. Same thread as its owner.
class ParadoxIndexChanges {
public:
    using Entry = std::vector<std::uint8_t>;

    ParadoxIndexChanges(std::size_t keyBytes, std::size_t ownBytes) : keyBytes_(keyBytes), ownBytes_(ownBytes) {}

    void add(const std::uint8_t* entry, std::size_t entryBytes);
    void remove(const std::uint8_t* entry);
    bool empty() const { return pending_.empty(); }
    std::size_t size() const { return pending_.size(); }
    void clear() { pending_.clear(); }

    // Whether the entry with this key is in the file and not removed since.
    bool removed(const std::uint8_t* entry) const;
    // An added entry whose indexed fields (its first ownBytes) equal `entry`'s but whose key
    // differs, if any: a second record for a unique index.
    const Entry* addedTwin(const std::uint8_t* entry) const;

    // Removes and inserts the pending entries in `file`, whose records follow `order`.
    void applyTo(ParadoxDataFile& file, const ParadoxKeyOrder& order) const;

private:
    struct Pending {
        bool inFile = false;         // the file holds an entry with this key, to be removed
        std::optional<Entry> entry;  // to be inserted
    };
    Entry keyOf(const std::uint8_t* entry) const { return Entry(entry, entry + keyBytes_); }

    std::size_t keyBytes_, ownBytes_;
    std::map<Entry, Pending> pending_;
    std::multimap<Entry, Entry> addedByOwn_;  // indexed fields -> key, of the entries to insert
};

}  // namespace tabulon::paradox
