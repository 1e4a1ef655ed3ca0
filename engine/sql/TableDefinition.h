#pragma once
// The definition statements, carried out on the folder's table files.
#include <filesystem>
#include <string>

namespace tabulon {

// When `sql` is CREATE TABLE, DROP TABLE or one of the statements runIndexOrColumnStatement()
// takes, carries it out and returns true; else returns false and does nothing. CREATE TABLE
// makes a Paradox table unless the name ends in .DBF, with the SQL column types mapped to the
// nearest field types and PRIMARY KEY as the primary index; it fails with EFileError when the
// table exists. DROP TABLE moves the table's family to the desktop trash; EFileError naming a
// table that is not there. SQL that does not parse throws EValueError. Any thread.
bool runTableDefinition(const std::filesystem::path& folder, const std::string& sql);

}  // namespace tabulon
