#pragma once
// RFC 4180 CSV text of field names and records: comma-separated, CRLF-ended lines, values as
// Value::toText() gives them (null as an empty field).
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "FieldDef.h"
#include "Value.h"

namespace tabulon {

// One field: quoted when it holds a comma, a quote or a line break, its quotes doubled.
std::string csvField(std::string_view text);
void appendCsvField(std::string& out, std::string_view text);
// The line of the field names.
void appendCsvHeader(std::string& out, const std::vector<FieldDef>& fields);
void writeCsvHeader(std::ostream& out, const std::vector<FieldDef>& fields);
// The line of one record's values. Appending to one buffer that is written out now and then is
// much faster than writing each line to a stream.
void appendCsvRecord(std::string& out, const Record& values);
void writeCsvRecord(std::ostream& out, const Record& values);

}  // namespace tabulon
