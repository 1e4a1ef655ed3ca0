#pragma once
// The .VAL file: per-field validity checks (required, minimum, maximum, default, picture,
// lookup) followed by referential links and a copy of the table's field list.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ParadoxHeader.h"

namespace tabulon::paradox {

// The checks the engine enforces for one field. Minimum and maximum are the field's record
// bytes, so they compare as keys do.
struct ParadoxFieldCheck {
    std::size_t field = 0;  // 0-based position in the table
    bool required = false;
    std::optional<std::vector<std::uint8_t>> minimum, maximum;
    // The check as the file holds it, its parts (lookup, bounds, default, picture) included, so
    // that it can be written again for a table whose field keeps its type and size. Empty for a
    // check made here.
    std::vector<std::uint8_t> stored;
};

// Parses the field checks of a .VAL belonging to `table`. Throws EFormatError naming `fileName`
// and the fault when the file is cut short, names a field the table lacks, or was written for
// another version of the table (its first byte differs from the table's family link byte).
std::vector<ParadoxFieldCheck> parseParadoxValidity(const std::vector<std::uint8_t>& file, const ParadoxHeader& table,
                                                    const std::string& fileName);

// A .VAL holding `checks` for `table`: each written as stored (its field position and required
// flag set from the check), or, when nothing is stored, as a bare required flag.
std::vector<std::uint8_t> buildParadoxValidity(const ParadoxHeader& table,
                                               const std::vector<ParadoxFieldCheck>& checks);
// The checks that only mark the fields flagged in `required` (one flag per field).
std::vector<ParadoxFieldCheck> requiredChecks(const std::vector<bool>& required);

}  // namespace tabulon::paradox
