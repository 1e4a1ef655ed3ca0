#pragma once
// CREATE INDEX, DROP INDEX and ALTER TABLE ADD / DROP of columns, on the folder's table files.
#include <filesystem>
#include <string>
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
// is refused. NOT NULL makes a required field of a Paradox table; a dBase table has none, so
// there it is accepted and holds nothing back. The table is held exclusively in `session`
// while it changes. Errors: EValueError for a statement that does not read (saying what was
// expected where) and for unknown columns or indexes, EFileError naming a missing table,
// ETableBusy naming the holder of a table open in any session or another process, changing
// nothing, ERequiredField when a NOT NULL column is added to a table with records, the
// operations' errors. Any thread.
bool runIndexOrColumnStatement(const std::filesystem::path& folder, const std::string& session,
                               const std::vector<Token>& tokens);

}  // namespace tabulon
