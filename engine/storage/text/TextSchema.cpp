#include "TextSchema.h"

#include <charconv>
#include <fstream>
#include <map>
#include <sstream>

#include "../../core/AsciiCase.h"
#include "../../core/EngineError.h"
#include "../Drivers.h"

namespace tabulon {

namespace {
constexpr std::uintmax_t kMaxSchemaBytes = 1 << 20;
constexpr int kMaxFields = 1024;
constexpr int kMaxWidth = 65535;

std::string trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return std::string(s);
}

class SchemaReader {
public:
    explicit SchemaReader(const std::filesystem::path& path) : path_(path) {}

    [[noreturn]] void fail(int line, const std::string& why) const {
        throw EngineError(errkind::kFormat,
                          "Schema file " + path_.string() + ", line " + std::to_string(line) + ": " + why);
    }

    int number(int line, const std::string& text, const char* what, int maximum) const {
        int value = 0;
        const std::string t = trim(text);
        const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
        if (t.empty() || error != std::errc() || end != t.data() + t.size() || value < 0 || value > maximum)
            fail(line, std::string(what) + " '" + t + "' is not a number from 0 to " + std::to_string(maximum));
        return value;
    }

    FieldType fieldType(int line, const std::string& name, int width, FieldDef& field) const {
        static const std::map<std::string, FieldType> types = {
            {"CHAR", ftString},       {"ALPHA", ftString},    {"BOOL", ftBoolean},      {"BOOLEAN", ftBoolean},
            {"SHORTINT", ftSmallint}, {"LONGINT", ftInteger}, {"INTEGER", ftInteger},   {"FLOAT", ftFloat},
            {"NUMBER", ftFloat},      {"MONEY", ftCurrency},  {"CURRENCY", ftCurrency}, {"BCD", ftBCD},
            {"DATE", ftDate},         {"TIME", ftTime},       {"TIMESTAMP", ftDateTime}};
        const auto found = types.find(asciiUpper(trim(name)));
        if (found == types.end()) fail(line, "unknown field type '" + trim(name) + "'");
        field.nativeType = found->first;
        if (found->second == ftString) field.size = width;
        return found->second;
    }

    TextSchema read() {
        std::error_code ec;
        const auto size = std::filesystem::file_size(path_, ec);
        if (ec) throw EngineError(errkind::kFile, "Cannot read schema file " + path_.string() + ": " + ec.message());
        if (size > kMaxSchemaBytes) fail(0, "the file is larger than a schema can be");
        std::ifstream in(path_, std::ios::binary);
        if (!in) throw EngineError(errkind::kFile, "Cannot open schema file " + path_.string());

        TextSchema schema;
        std::string text;
        int lineNumber = 0;
        while (std::getline(in, text)) {
            ++lineNumber;
            const std::string line = trim(text);
            if (line.empty() || line.front() == '[' || line.front() == ';') continue;
            const auto equals = line.find('=');
            if (equals == std::string::npos) fail(lineNumber, "'" + line + "' is not of the form KEY=VALUE");
            const std::string key = asciiUpper(trim(line.substr(0, equals)));
            const std::string value = trim(line.substr(equals + 1));
            if (key == "FILETYPE") {
                if (asciiUpper(value) != "VARYING" && asciiUpper(value) != "FIXED")
                    fail(lineNumber, "FILETYPE is VARYING or FIXED, not '" + value + "'");
                schema.dialect.fixed = asciiUpper(value) == "FIXED";
            } else if (key == "DELIMITER") {
                if (value.size() > 1) fail(lineNumber, "DELIMITER is one character, not '" + value + "'");
                schema.dialect.quote = value.empty() ? 0 : value[0];
            } else if (key == "SEPARATOR") {
                if (asciiUpper(value) == "TAB")
                    schema.dialect.separator = '\t';
                else if (value.size() == 1)
                    schema.dialect.separator = value[0];
                else
                    fail(lineNumber, "SEPARATOR is one character or TAB, not '" + value + "'");
            } else if (key == "CHARSET") {
                const std::string charset = asciiUpper(value);
                schema.codePage = charset == "ASCII" ? "CP437" : charset == "ANSI" ? "CP1252" : value;
            } else if (key.rfind("FIELD", 0) == 0 && key.size() > 5) {
                readField(lineNumber, key, value, schema);
            }
        }
        if (schema.fields.empty()) fail(lineNumber, "no Field1= line defines a field");
        return schema;
    }

private:
    void readField(int line, const std::string& key, const std::string& value, TextSchema& schema) const {
        const int index = number(line, key.substr(5), "the field number", kMaxFields);
        if (index != static_cast<int>(schema.fields.size()) + 1)
            fail(line, key + " is out of sequence: Field" + std::to_string(schema.fields.size() + 1) + " was expected");
        std::vector<std::string> parts;
        std::stringstream stream(value);
        for (std::string part; std::getline(stream, part, ',');) parts.push_back(part);
        if (parts.size() != 5) fail(line, key + " needs name,type,width,decimals,offset");
        FieldDef field;
        field.name = trim(parts[0]);
        if (field.name.empty()) fail(line, key + " has no name");
        const int width = number(line, parts[2], "the width", kMaxWidth);
        field.decimals = number(line, parts[3], "the decimals", 32);
        const int offset = number(line, parts[4], "the offset", kMaxWidth * kMaxFields);
        field.type = fieldType(line, parts[1], width, field);
        schema.fields.push_back(field);
        schema.columns.push_back(FixedColumn{static_cast<std::size_t>(offset), static_cast<std::size_t>(width)});
    }

    std::filesystem::path path_;
};
}  // namespace

TextSchema TextSchema::read(const std::filesystem::path& path) { return SchemaReader(path).read(); }

std::filesystem::path TextSchema::pathFor(const std::filesystem::path& table) {
    std::filesystem::path name = table.filename();
    name.replace_extension(".SCH");
    return findFileIgnoringCase(table.parent_path(), name.string());
}

}  // namespace tabulon
