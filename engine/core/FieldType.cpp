#include "FieldType.h"

#include <array>

namespace tabulon {

namespace {
constexpr std::array<std::string_view, kFieldTypeCount> kNames = {
    "ftUnknown", "ftString",  "ftSmallint", "ftInteger",    "ftWord",     "ftBoolean",     "ftFloat",   "ftCurrency",
    "ftBCD",     "ftDate",    "ftTime",     "ftDateTime",   "ftBytes",    "ftVarBytes",    "ftAutoInc", "ftBlob",
    "ftMemo",    "ftGraphic", "ftFmtMemo",  "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftCursor"};
}

std::string_view fieldTypeName(FieldType type) {
    const int code = static_cast<int>(type);
    return code >= 0 && code < kFieldTypeCount ? kNames[code] : kNames[ftUnknown];
}

FieldType fieldTypeFromName(std::string_view name) {
    for (int code = 0; code < kFieldTypeCount; ++code)
        if (kNames[code] == name) return static_cast<FieldType>(code);
    return ftUnknown;
}

bool isBlobType(FieldType type) {
    switch (type) {
        case ftBlob:
        case ftMemo:
        case ftGraphic:
        case ftFmtMemo:
        case ftParadoxOle:
        case ftDBaseOle:
        case ftTypedBinary:
            return true;
        default:
            return false;
    }
}

}  // namespace tabulon
