#pragma once
// The keys of a unique secondary index while a transaction does not keep its .X file up to date
// (a bulk change rebuilds it at commit), so that a record repeating a key is refused when it is
// written: at commit the duplicate would fail the whole transaction instead.
#include <cstdint>
#include <set>
#include <string>

#include "ParadoxKeyOrder.h"

namespace tabulon::paradox {

// Entries are .X records; only their leading `ownBytes` (the indexed fields, folded as the index
// stores them) are kept, compared over the first `ownFields` fields of `order`.
class ParadoxUniqueKeys {
public:
    ParadoxUniqueKeys(const ParadoxKeyOrder& order, std::size_t ownFields, std::size_t ownBytes)
        : ownBytes_(ownBytes), keys_(Less{order, ownFields}) {}

    void add(const std::uint8_t* entry) { keys_.insert(own(entry)); }
    void remove(const std::uint8_t* entry) { keys_.erase(own(entry)); }
    // Whether a record other than the one whose entry is `replaced` (may be null) holds the key.
    bool heldByAnother(const std::uint8_t* entry, const std::uint8_t* replaced) const;

private:
    struct Less {
        ParadoxKeyOrder order;
        std::size_t fields;
        bool operator()(const std::string& a, const std::string& b) const {
            return order.compare(reinterpret_cast<const std::uint8_t*>(a.data()),
                                 reinterpret_cast<const std::uint8_t*>(b.data()), fields) < 0;
        }
    };
    std::string own(const std::uint8_t* entry) const { return {reinterpret_cast<const char*>(entry), ownBytes_}; }

    std::size_t ownBytes_;
    std::set<std::string, Less> keys_;
};

}  // namespace tabulon::paradox
