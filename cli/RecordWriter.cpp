#include "RecordWriter.h"

#include "Json.h"
#include "core/CsvText.h"

namespace tabulon::cli {

void RecordWriter::header(const std::vector<FieldDef>& fields) {
    if (!csv_) {
        out_ << "{\"fields\":" << jsonFields(fields) << "}\n";
        return;
    }
    writeCsvHeader(out_, fields);
}

void RecordWriter::record(const Record& values) {
    if (csv_) {
        writeCsvRecord(out_, values);
        return;
    }
    out_ << "[";
    for (std::size_t i = 0; i < values.size(); ++i) out_ << (i ? "," : "") << jsonValue(values[i]);
    out_ << "]\n";
}

}  // namespace tabulon::cli
