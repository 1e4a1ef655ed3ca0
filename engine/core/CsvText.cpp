#include "CsvText.h"

#include <algorithm>

namespace tabulon {

namespace {
bool needsQuotes(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; });
}

void appendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}
}  // namespace

std::string csvField(std::string_view text) {
    std::string out;
    appendCsvField(out, text);
    return out;
}

void appendCsvField(std::string& out, std::string_view text) {
    if (needsQuotes(text))
        appendQuoted(out, text);
    else
        out += text;
}

void appendCsvHeader(std::string& out, const std::vector<FieldDef>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) out += ',';
        appendCsvField(out, fields[i].name);
    }
    out += "\r\n";
}

void writeCsvHeader(std::ostream& out, const std::vector<FieldDef>& fields) {
    std::string line;
    appendCsvHeader(line, fields);
    out << line;
}

void appendCsvRecord(std::string& out, const Record& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i) out += ',';
        const Value& value = values[i];
        // Only strings can hold a comma, a quote or a line break: the text of every other kind
        // is digits, signs, points, colons, letters and base64 characters.
        if (value.kind() == ValueKind::String)
            appendCsvField(out, value.asString());
        else
            value.appendText(out);
    }
    out += "\r\n";
}

void writeCsvRecord(std::ostream& out, const Record& values) {
    std::string line;
    appendCsvRecord(line, values);
    out << line;
}

}  // namespace tabulon
