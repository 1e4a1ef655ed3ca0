#pragma once
// Writes a table's field list and records as JSON lines or RFC 4180 CSV.
#include <ostream>
#include <vector>

#include "core/FieldDef.h"
#include "core/Value.h"

namespace tabulon::cli {

class RecordWriter {
public:
    RecordWriter(std::ostream& out, bool csv) : out_(out), csv_(csv) {}
    void header(const std::vector<FieldDef>& fields);
    void record(const Record& values);

private:
    std::ostream& out_;
    bool csv_;
};

}  // namespace tabulon::cli
