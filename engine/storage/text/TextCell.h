#pragma once
// Reads one value of a text table from its text, for the sniffers and the table alike.
#include <optional>
#include <string_view>

#include "../../core/FieldType.h"
#include "../../core/Value.h"

namespace tabulon {

// The value `text` stands for in a field of `type`: an empty text is null; numbers with a
// point; booleans "true"/"false"/"T"/"F" in any case; dates "YYYY-MM-DD" or "M/D/YYYY";
// times "H:MM[:SS[.fff]]"; timestamps a date, a blank or "T", and a time. Empty when the text
// does not read as that type. Pure function.
std::optional<Value> parseTextCell(std::string_view text, FieldType type);

}  // namespace tabulon
