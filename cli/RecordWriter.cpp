#include "RecordWriter.h"

#include "Json.h"
#include "core/CsvText.h"

namespace tabulon::cli {

void RecordWriter::header(const std::vector<FieldDef>& fields) {
    if (csv_)
        appendCsvHeader(buffer_, fields);
    else
        buffer_ += "{\"fields\":" + jsonFields(fields) + "}\n";
}

void RecordWriter::record(const Record& values) {
    if (csv_) {
        appendCsvRecord(buffer_, values);
    } else {
        buffer_ += '[';
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i) buffer_ += ',';
            buffer_ += jsonValue(values[i]);
        }
        buffer_ += "]\n";
    }
    if (buffer_.size() >= kFlushSize) flush();
}

void RecordWriter::flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
}

}  // namespace tabulon::cli
