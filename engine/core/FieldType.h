#pragma once
// Field, table and index codes shared by every driver and window.
#include <cstdint>
#include <string_view>

namespace tabulon {

// The dataset layer's numbering of field types; tables indexed by it have entries 0..21.
enum FieldType : int {
    ftUnknown = 0,
    ftString = 1,
    ftSmallint = 2,
    ftInteger = 3,
    ftWord = 4,
    ftBoolean = 5,
    ftFloat = 6,
    ftCurrency = 7,
    ftBCD = 8,
    ftDate = 9,
    ftTime = 10,
    ftDateTime = 11,
    ftBytes = 12,
    ftVarBytes = 13,
    ftAutoInc = 14,
    ftBlob = 15,
    ftMemo = 16,
    ftGraphic = 17,
    ftFmtMemo = 18,
    ftParadoxOle = 19,
    ftDBaseOle = 20,
    ftTypedBinary = 21,
    ftCursor = 22,
};
inline constexpr int kFieldTypeCount = 23;

// "ftString" for ftString; "ftUnknown" for a code outside the list.
std::string_view fieldTypeName(FieldType type);
// The code whose name is `name`, or ftUnknown.
FieldType fieldTypeFromName(std::string_view name);
// Memo, blob, graphic, OLE and typed-binary fields: values kept outside the record.
bool isBlobType(FieldType type);

enum TableType : int {
    ttDefault = 0,  // by the file's extension
    ttParadox = 1,
    ttDBase = 2,
    ttASCII = 3,
};

// Index option bits; an index's options are an OR of these.
enum IndexOption : std::uint8_t {
    ixPrimary = 1,
    ixUnique = 2,
    ixDescending = 4,
    ixCaseInsensitive = 8,
    ixExpression = 16,
};
using IndexOptions = std::uint8_t;

}  // namespace tabulon
