#pragma once
// Last step of reading a text table without a schema: the type of each column.
#include <string>
#include <vector>

#include "../../core/FieldType.h"

namespace tabulon {

// For each of `columns` columns, the most specific type that every non-empty value of `rows`
// reads as, tried in the order boolean, integer, float, time, date, timestamp, string
// (so a column of whole numbers is integer, one with a fraction float). A column with no
// value is string. Rows shorter than `columns` lack the missing values. Pure function.
std::vector<FieldType> sniffColumnTypes(const std::vector<std::vector<std::string>>& rows, std::size_t columns);

}  // namespace tabulon
