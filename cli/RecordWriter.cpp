#include "RecordWriter.h"

#include "Json.h"

namespace tabulon::cli {

void RecordWriter::header(const std::vector<FieldDef>& fields) {
    if (!csv_) {
        out_ << "{\"fields\":" << jsonFields(fields) << "}\n";
        return;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) out_ << (i ? "," : "") << csvField(fields[i].name);
    out_ << "\r\n";
}

void RecordWriter::record(const Record& values) {
    if (csv_) {
        for (std::size_t i = 0; i < values.size(); ++i) out_ << (i ? "," : "") << csvField(values[i].toText());
        out_ << "\r\n";
        return;
    }
    out_ << "[";
    for (std::size_t i = 0; i < values.size(); ++i) out_ << (i ? "," : "") << jsonValue(values[i]);
    out_ << "]\n";
}

}  // namespace tabulon::cli
