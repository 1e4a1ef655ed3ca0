#pragma once
// Middle step of reading a text table without a schema: whether the first record names the
// fields.
#include <string>
#include <vector>

#include "../../core/FieldType.h"

namespace tabulon {

// `bodyTypes` are the column types sniffed from the records after the first. The first record
// is a header when one of its values does not read as its column's type, or, when every column
// is string, when its values are all present and all different. False for fewer than two
// records. Pure function.
bool sniffHeader(const std::vector<std::vector<std::string>>& rows, const std::vector<FieldType>& bodyTypes);

}  // namespace tabulon
