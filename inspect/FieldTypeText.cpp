#include "FieldTypeText.h"

#include <array>

namespace tabulon {

namespace {

constexpr std::array<const char*, 22> kTypeNames = {
    "Unknown Type",     "A - AlphaNumeric",  "S - Smallint",    "I - Integer",    "W - Word",      "L - Logical",
    "N - Float Number", "$ - Money",         "# - BCD Integer", "D - Date",       "T - Time",      "@ - Timestamp",
    "Y - Bytes",        "V - Variable Bin.", "+ - Auto Inc.",   "B - Binary",     "M - Text Memo", "G - Graphic",
    "F - Form. Memo",   "O - Paradox OLE",   "Q - dBase OLE",   "J - Typed Bin.",
};

int recordBufferBytes(FieldType type) {
    switch (type) {
        case ftSmallint:
        case ftWord:
            return 2;
        case ftInteger:
        case ftAutoInc:
        case ftDate:
        case ftTime:
            return 4;
        case ftFloat:
        case ftCurrency:
        case ftDateTime:
            return 8;
        case ftBCD:
            return 34;
        default:
            return 0;
    }
}

}  // namespace

std::string FieldTypeDisplayName(FieldType type) {
    const auto code = static_cast<std::size_t>(type);
    return code < kTypeNames.size() ? kTypeNames[code] : kTypeNames[ftUnknown];
}

std::string FieldSizeText(const FieldDef& field) {
    if (field.type == ftBoolean) return {};
    return std::to_string(field.size != 0 ? field.size : recordBufferBytes(field.type));
}

}  // namespace tabulon
