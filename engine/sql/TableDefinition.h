#pragma once
// The definition statements, carried out on the folder's table files.
#include <filesystem>
#include <string>

namespace tabulon {

// When `sql` is CREATE TABLE, DROP TABLE or one of the statements runIndexOrColumnStatement()
// takes, carries it out and returns true; else returns false and does nothing. CREATE TABLE
// makes a Paradox table unless the name ends in .DBF, with the SQL column types mapped to the
// nearest field types, NOT NULL as a required field and PRIMARY KEY as the primary index; it
// fails with EFileError when the table exists, so it never replaces one. A dBase table has no
// required fields: NOT NULL is accepted there and holds nothing back. DROP TABLE moves the
// table's family to the desktop trash; EFileError naming a table that is not there. A table
// open anywhere else (any session, `session` included, or another process) is neither dropped
// nor changed: ETableBusy naming the holder. SQL that does not parse throws EValueError. Any
// thread.
bool runTableDefinition(const std::filesystem::path& folder, const std::string& session, const std::string& sql);

}  // namespace tabulon
