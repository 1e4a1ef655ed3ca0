#pragma once
// Changes or deletes every record a dataset table's view selects, all or none.
#include <cstdint>
#include <string>

namespace tabulon {

class Table;

// Contract: `table` is open with cached updates and nothing pending. The records of its view
// (the filter counted in) when the call starts are each changed exactly once, even those the
// change takes out of the view; the changes wait in the table's cache and are applied in one
// transaction, so the files hold every change or none. On any failure (an unknown field,
// EValueError for a value the field's type rejects, a key violation, a write the disk refuses)
// the cache is dropped and the error is thrown with the files as before. Reports progress of
// phase::kData while it visits the records. Returns how many records it changed. Same thread as
// the table's session.
std::uint64_t updateSelectedRecords(Table& table, const std::string& fieldName, const std::string& value);
std::uint64_t deleteSelectedRecords(Table& table);

}  // namespace tabulon
