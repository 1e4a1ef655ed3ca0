#pragma once
// Finds the table file an SQL statement names, inside a connection's folder.
#include <filesystem>
#include <string>

namespace tabulon {

// "CUSTOMER" finds CUSTOMER.DB, then CUSTOMER.DBF, then CUSTOMER.TXT; a name with an
// extension ("customer.dbf", "sub/orders.db") is taken as it stands, relative to the folder.
// Letter case is ignored in every part. Empty when there is no such file. Throws EValueError
// for a name that would leave the folder (absolute, or with ".."). Pure apart from reading
// the folder; any thread.
std::filesystem::path resolveTableName(const std::filesystem::path& folder, const std::string& name);

}  // namespace tabulon
