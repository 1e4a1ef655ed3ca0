#pragma once
// The one table that maps dBase type letters to the engine's field types and byte layouts.
#include <optional>

#include "../../core/FieldType.h"
#include "DbaseDialect.h"

namespace tabulon::dbase {

// How a field's bytes hold its value.
enum class Storage {
    Text,              // C: code-page text, space or NUL padded
    NumericText,       // N, F: right-justified ASCII number
    DateText,          // D: YYYYMMDD
    LogicalChar,       // L: T/F/Y/N/?
    MemoPointer,       // M, G, P, W, dBase B: block number (10 ASCII digits, or 4 bytes LE)
    LittleDouble,      // VFP B (and O): IEEE double, little-endian
    SortableDouble,    // level-7 O: big-endian double with the sign bit flipped
    Currency,          // Y: int64 LE, value x 10 000
    JulianDateTime,    // T: u32 Julian day + u32 milliseconds
    OrdinalTimestamp,  // @: big-endian double, milliseconds counted from 0001-01-01 as day 1
    LittleInt32,       // VFP I
    SortableInt32,     // level-7 I and +: big-endian with the sign bit flipped
    VarText,           // VFP V
    VarBinary,         // VFP Q
    NullFlags,         // VFP _NullFlags: hidden
};

struct TypeMapping {
    FieldType type;
    Storage storage;
    int fixedLength;  // bytes the layout needs; 0 when the descriptor decides
};

// The mapping of `letter` in `dialect`; empty for a letter no dialect knows. N fields narrow
// to ftSmallint / ftInteger through fieldTypeForNumeric().
std::optional<TypeMapping> mappingFor(char letter, Dialect dialect);
// N with no decimals: width <= 4 -> ftSmallint, <= 9 -> ftInteger, else ftFloat.
FieldType fieldTypeForNumeric(int width, int decimals);

}  // namespace tabulon::dbase
