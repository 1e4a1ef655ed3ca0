#pragma once
// A position in a dataset table that survives moving elsewhere.
#include <cstddef>

#include "../storage/StorageTable.h"

namespace tabulon {

// A stored record by id, or a cached insert by its number. Valid until the table changes.
struct Bookmark {
    bool valid = false;
    bool inserted = false;
    RecordId id = 0;
    std::size_t insert = 0;
    bool operator==(const Bookmark&) const = default;
};

}  // namespace tabulon
