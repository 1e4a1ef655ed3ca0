#pragma once
// The SQL-92 forms of local SQL, rewritten into what SQLite runs.
#include <string>

namespace tabulon {

// Rewrites SUBSTRING(x FROM a [FOR b]), TRIM([LEADING|TRAILING|BOTH] [c] FROM x),
// EXTRACT(YEAR|MONTH|DAY|HOUR|MINUTE|SECOND FROM d), CAST(x AS CHAR(n)|VARCHAR(n)|SMALLINT|
// NUMERIC(p,s)|DECIMAL(p,s)|DATE|TIME|TIMESTAMP) and DATE/TIME/TIMESTAMP 'literal' into
// SQLite's own forms, with dates, times and timestamps in the text forms the tables give.
// Everything else, strings, quoted names and comments included, passes unchanged. Throws
// EValueError for a date or time literal that does not read. Pure function.
std::string rewriteSqlDialect(const std::string& sql);

}  // namespace tabulon
