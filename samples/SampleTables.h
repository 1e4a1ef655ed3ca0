#pragma once
// The sample tables a first-time user opens: a keyed Paradox customer table with secondary
// indexes, a Paradox orders table with memos, a dBase parts table with a production index and
// a comma-separated text table of countries, all written through the engine.
#include <filesystem>

namespace tabulon::samples {

// Writes CUSTOMER.DB, ORDERS.DB, PARTS.DBF and COUNTRY.TXT (with their index and memo files)
// into `folder`, creating the folder. Throws EngineError when a table cannot be written, and
// EFileError naming a table that already exists. One thread.
void writeSampleTables(const std::filesystem::path& folder);

}  // namespace tabulon::samples
