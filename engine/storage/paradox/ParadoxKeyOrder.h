#pragma once
// How the keys of one index compare: field by field, alpha fields by the table's sort order.
#include <cstdint>
#include <vector>

#include "ParadoxCollation.h"
#include "ParadoxHeader.h"

namespace tabulon::paradox {

// Key bytes are the key fields' record bytes back to back. Every encoded type but alpha sorts
// by its bytes (that is what the flipped encodings are for), so only alpha needs the collation.
// Immutable; the collation must outlive it.
class ParadoxKeyOrder {
public:
    struct KeyField {
        ParadoxField field;  // offset relative to the key's first byte
        bool descending = false;
    };

    ParadoxKeyOrder(std::vector<KeyField> fields, const ParadoxCollation& collation, bool caseInsensitive)
        : fields_(std::move(fields)), collation_(&collation), caseInsensitive_(caseInsensitive) {}

    const std::vector<KeyField>& fields() const { return fields_; }
    bool caseInsensitive() const { return caseInsensitive_; }
    int keyBytes() const;
    // Compares the first `fieldCount` fields; with `partialBytes` >= 0 the last of them only
    // over its first `partialBytes` bytes (a prefix search).
    int compare(const std::uint8_t* a, const std::uint8_t* b, std::size_t fieldCount, int partialBytes = -1) const;
    int compare(const std::uint8_t* a, const std::uint8_t* b) const { return compare(a, b, fields_.size()); }
    // Upper-cases alpha fields in place, as case-insensitive indexes store them.
    void foldCase(std::uint8_t* key) const;

private:
    std::vector<KeyField> fields_;
    const ParadoxCollation* collation_;
    bool caseInsensitive_;
};

}  // namespace tabulon::paradox
