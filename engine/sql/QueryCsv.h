#pragma once
// Saves an open query's result as RFC 4180 CSV in UTF-8.
#include <cstdint>
#include <functional>
#include <ostream>

#include "Query.h"

namespace tabulon {

// How many rows go between two calls of the export's progress callback.
inline constexpr std::uint64_t kCsvProgressRows = 1000;

// Writes the field names, then every row from the first, as CsvText.h gives them, leaving the
// query after its last row. `progress` gets the rows written so far after every
// kCsvProgressRows rows and once at the end; when it returns false the export stops with
// EngineError(EUsageError, "Export cancelled"), the lines already written left in `out`.
// EUsageError when the query is not open.
void writeQueryCsv(Query& query, std::ostream& out, const std::function<bool(std::uint64_t rowsWritten)>& progress);

}  // namespace tabulon
