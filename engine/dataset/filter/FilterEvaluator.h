#pragma once
// Evaluates a filter tree against one record.
#include <optional>

#include "FilterNode.h"

namespace tabulon {

// Three-valued: a comparison with a null is unknown (empty), NOT unknown is unknown, AND and OR
// as in SQL. Never throws: what cannot be computed (division by zero, a null operand) is null.
// Pure functions.
std::optional<bool> evaluateCondition(const FilterNode& node, const Record& record);
Value evaluateValue(const FilterNode& node, const Record& record);

}  // namespace tabulon
