#pragma once
// How records are laid out in a text file that export writes and import reads.
#include <string>
#include <vector>

#include "../core/FieldDef.h"

#include "../dataset/RegionalSettings.h"

namespace tabulon {

enum class TextFormat {
    // One line per record; values as the regional settings show them, joined by the separator
    // as typed, string values optionally in single quotes, nothing escaped.
    Delimited,
    // RFC 4180: values in their canonical text (Value::toText), quoted when they hold the
    // separator, a quote or a line break, quotes doubled.
    Csv,
};

// Plain data.
struct TextFileFormat {
    TextFormat format = TextFormat::Delimited;
    // As the user typed it: "^T" in any letter case stands for a tab. Csv: empty means ",".
    std::string separator;
    bool quoteStrings = false;  // Delimited: plain string fields in single quotes
    bool header = false;        // a first line of field names
    std::string encoding;       // the file's code page ("UTF-8", "CP1252"); empty: the table's
    RegionalSettings regional;  // Delimited: how numbers, dates and times read and show
};

// The separator `format` stands for.
std::string separatorOf(const TextFileFormat& format);

// The code page the file is in: the format's, or else the table's `tableCodePage`.
std::string fileEncoding(const TextFileFormat& format, const std::string& tableCodePage);

// The positions of the fields `names` name, in their order; each name takes the first field of
// that name (letter case ignored) not taken by an earlier one, as a table may name two fields
// alike. Throws EValueError for a name that names no field of `table`.
std::vector<std::size_t> fieldPositions(const std::vector<FieldDef>& fields, const std::vector<std::string>& names,
                                        const std::string& table);

}  // namespace tabulon
