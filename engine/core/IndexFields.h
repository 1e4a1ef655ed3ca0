#pragma once
// The field list of an index definition.
#include <string>
#include <string_view>
#include <vector>

namespace tabulon {

// The names in an index's `fields` list (joined by ";"), each without the blanks around it,
// empty ones left out.
std::vector<std::string> indexFieldNames(std::string_view fields);

}  // namespace tabulon
