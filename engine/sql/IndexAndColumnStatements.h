#pragma once
// CREATE INDEX, DROP INDEX and ALTER TABLE ADD / DROP of columns, on the folder's table files.
#include <filesystem>
#include <vector>

#include "SqlTokens.h"

namespace tabulon {

// When `tokens` (a statement without its trailing ";") are one of
//   CREATE [UNIQUE] [ASC|DESC] INDEX name ON table (column [ASC|DESC], ...)
//   DROP INDEX table.name   or   DROP INDEX name ON table
//   ALTER TABLE table ADD [COLUMN] name type [NOT NULL] | DROP [COLUMN] name, ...
// carries it out through the table operations (the table rebuilt and swapped in, the old
// family to the desktop trash) and returns true; else returns false and does nothing. A
// descending column makes the whole index descending. Dropping a column that an index uses
// is refused. Errors: EValueError for a statement that does not read (saying what was
// expected where) and for unknown columns or indexes, EFileError naming a missing table,
// ETableBusy for a table open elsewhere, the operations' errors. Any thread.
bool runIndexOrColumnStatement(const std::filesystem::path& folder, const std::vector<Token>& tokens);

}  // namespace tabulon
