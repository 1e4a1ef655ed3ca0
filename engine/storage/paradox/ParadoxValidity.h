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
};

// Parses the field checks of a .VAL belonging to `table`. Throws EFormatError naming `fileName`
// and the fault when the file is cut short, names a field the table lacks, or was written for
// another version of the table (its first byte differs from the table's family link byte).
std::vector<ParadoxFieldCheck> parseParadoxValidity(const std::vector<std::uint8_t>& file, const ParadoxHeader& table,
                                                    const std::string& fileName);

// A .VAL that marks the fields flagged in `required` (one flag per field of `table`) and holds
// no other check.
std::vector<std::uint8_t> buildParadoxValidity(const ParadoxHeader& table, const std::vector<bool>& required);

}  // namespace tabulon::paradox
