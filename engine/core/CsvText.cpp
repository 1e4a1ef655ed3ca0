#include "CsvText.h"

namespace tabulon {

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

void writeCsvHeader(std::ostream& out, const std::vector<FieldDef>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) out << (i ? "," : "") << csvField(fields[i].name);
    out << "\r\n";
}

void writeCsvRecord(std::ostream& out, const Record& values) {
    for (std::size_t i = 0; i < values.size(); ++i) out << (i ? "," : "") << csvField(values[i].toText());
    out << "\r\n";
}

}  // namespace tabulon
