#pragma once
// Changes or deletes every record a dataset table's view selects, all or none.
#include <cstdint>
#include <optional>
#include <string>

namespace tabulon {

class Table;

// Contract: `table` is open for writing, with no changes pending and its connection in no
// transaction. The records of its view (the filter counted in) when the call starts are each
// changed exactly once, even those the change takes out of the view, in one transaction of
// their own: the files hold every change or none. On any failure (an unknown field, EValueError
// for a value the field's type rejects, a key violation, a write the disk refuses) nothing is
// written and the error is thrown. Reports progress of phase::kData while it writes. The table
// is read anew afterwards, on its first record. Returns how many records it changed. Same thread
// as the table's session.
std::uint64_t updateSelectedRecords(Table& table, const std::string& fieldName, const std::string& value);
std::uint64_t deleteSelectedRecords(Table& table);

// An update text "FIELD = value": the field is the text before the first "=" without leading
// and trailing blanks and control characters (it may come out empty), the value all that
// follows, as it stands. Nullopt when there is no "=".
struct FieldAssignment {
    std::string field;
    std::string value;
};
std::optional<FieldAssignment> parseFieldAssignment(const std::string& text);

}  // namespace tabulon
