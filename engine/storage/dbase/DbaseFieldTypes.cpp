#include "DbaseFieldTypes.h"

#include <array>

namespace tabulon::dbase {

namespace {
enum class Scope { Any, VisualFoxPro, Level7 };

struct Row {
    char letter;
    Scope scope;
    TypeMapping mapping;
};

// First matching row wins, so dialect-specific rows come before the general one.
constexpr std::array kRows = {
    Row{'C', Scope::Any, {ftString, Storage::Text, 0}},
    Row{'N', Scope::Any, {ftFloat, Storage::NumericText, 0}},
    Row{'F', Scope::Any, {ftFloat, Storage::NumericText, 0}},
    Row{'D', Scope::Any, {ftDate, Storage::DateText, 8}},
    Row{'L', Scope::Any, {ftBoolean, Storage::LogicalChar, 1}},
    Row{'M', Scope::Any, {ftMemo, Storage::MemoPointer, 0}},
    Row{'B', Scope::VisualFoxPro, {ftFloat, Storage::LittleDouble, 8}},
    Row{'B', Scope::Any, {ftTypedBinary, Storage::MemoPointer, 0}},
    Row{'G', Scope::Any, {ftDBaseOle, Storage::MemoPointer, 0}},
    Row{'P', Scope::Any, {ftGraphic, Storage::MemoPointer, 0}},
    Row{'W', Scope::VisualFoxPro, {ftBlob, Storage::MemoPointer, 4}},
    Row{'O', Scope::Level7, {ftFloat, Storage::SortableDouble, 8}},
    Row{'O', Scope::Any, {ftFloat, Storage::LittleDouble, 8}},
    Row{'Y', Scope::Any, {ftCurrency, Storage::Currency, 8}},
    Row{'T', Scope::Any, {ftDateTime, Storage::JulianDateTime, 8}},
    Row{'@', Scope::Any, {ftDateTime, Storage::OrdinalTimestamp, 8}},
    Row{'I', Scope::Level7, {ftInteger, Storage::SortableInt32, 4}},
    Row{'I', Scope::Any, {ftInteger, Storage::LittleInt32, 4}},
    Row{'+', Scope::Any, {ftAutoInc, Storage::SortableInt32, 4}},
    Row{'V', Scope::VisualFoxPro, {ftString, Storage::VarText, 0}},
    Row{'Q', Scope::VisualFoxPro, {ftVarBytes, Storage::VarBinary, 0}},
    Row{'0', Scope::VisualFoxPro, {ftBytes, Storage::NullFlags, 0}},
};

bool inScope(Scope scope, Dialect dialect) {
    switch (scope) {
        case Scope::Any:
            return true;
        case Scope::VisualFoxPro:
            return dialect == Dialect::VisualFoxPro;
        case Scope::Level7:
            return dialect == Dialect::DBase7;
    }
    return false;
}
}  // namespace

std::optional<TypeMapping> mappingFor(char letter, Dialect dialect) {
    for (const Row& row : kRows)
        if (row.letter == letter && inScope(row.scope, dialect)) return row.mapping;
    return std::nullopt;
}

FieldType fieldTypeForNumeric(int width, int decimals) {
    if (decimals == 0 && width <= 4) return ftSmallint;
    if (decimals == 0 && width <= 9) return ftInteger;
    return ftFloat;
}

}  // namespace tabulon::dbase
