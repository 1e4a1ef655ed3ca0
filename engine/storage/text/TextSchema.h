#pragma once
// The schema file (.SCH) beside a text table: its layout and its fields.
#include <filesystem>
#include <string>
#include <vector>

#include "../../core/FieldDef.h"
#include "DelimitedRow.h"
#include "TextDialect.h"

namespace tabulon {

// INI form: an optional [NAME] section line, then FILETYPE=VARYING|FIXED, DELIMITER=<quote>,
// SEPARATOR=<char or TAB>, CHARSET=ascii|ansi|<code page>, and Field1..FieldN lines of
// "name,type,width,decimals,offset". Types: CHAR, BOOL, SHORTINT, LONGINT, FLOAT, NUMBER,
// MONEY/CURRENCY, BCD, DATE, TIME, TIMESTAMP. Plain data.
struct TextSchema {
    TextDialect dialect;
    std::string codePage;  // iconv name; empty when the schema names none
    std::vector<FieldDef> fields;
    std::vector<FixedColumn> columns;  // offset and width of each field, for FIXED files

    // Throws EFormatError naming the file and the line for a line it cannot read, an unknown
    // type, a field number out of sequence or a width or offset out of range.
    static TextSchema read(const std::filesystem::path& path);
    // The schema file of `table`: same name with ".SCH" in any letter case; empty when none.
    static std::filesystem::path pathFor(const std::filesystem::path& table);
};

}  // namespace tabulon
