#pragma once
// SUM, TOTAL and AVG that add decimal numbers exactly.
#include <sqlite3.h>

namespace tabulon {

// Replaces SQLite's sum(), total() and avg() on `db` with ones that add in exact decimal
// arithmetic, so sums of currency and BCD values (and of floats, each taken as its shortest
// decimal form) carry no binary rounding: 0.1 + 0.2 is 0.3. As SQLite's: null values are
// skipped; sum() of no values is null, total() 0.0; sum() of integers only is an integer.
// Other results are floats when the exact decimal reads back unchanged from one, else its
// exact text. A sum beyond 32 significant digits goes on in floating point.
void registerExactAggregates(sqlite3* db);

}  // namespace tabulon
