#pragma once
// Writes a table's field list and records as JSON lines or RFC 4180 CSV.
#include <ostream>
#include <string>
#include <vector>

#include "core/FieldDef.h"
#include "core/Value.h"

namespace tabulon::cli {

// Lines gather in a buffer that goes to the stream in large pieces, and at destruction (also
// when a failure cuts the output short, so that what was read still shows).
class RecordWriter {
public:
    RecordWriter(std::ostream& out, bool csv) : out_(out), csv_(csv) {}
    ~RecordWriter() { flush(); }
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    void header(const std::vector<FieldDef>& fields);
    void record(const Record& values);

private:
    static constexpr std::size_t kFlushSize = 256 * 1024;
    void flush();

    std::ostream& out_;
    bool csv_;
    std::string buffer_;
};

}  // namespace tabulon::cli
