#pragma once
// How engine values and field types cross into SQLite and back.
#include <sqlite3.h>

#include <string>

#include "../core/FieldDef.h"
#include "../core/Value.h"

namespace tabulon {

// Dates, times and timestamps travel as ISO text ("YYYY-MM-DD", "HH:MM:SS.mmm",
// "YYYY-MM-DD HH:MM:SS.mmm") so they compare and sort as such; currency as a float (what it
// is); BCD as a float when that holds it exactly (up to 15 significant digits), else as its
// exact decimal text.
void setSqlResult(sqlite3_context* context, const Value& value);
// The column type declared for a field, which names the field type again in results.
std::string sqlTypeFor(const FieldDef& field);
// The field an SQL column type names (CHAR(n), NUMERIC(p,s), DATE, ...); ftUnknown when it
// names none of them.
FieldDef fieldForSqlType(const std::string& name, const std::string& declaredType);
// The field a result column stands for: from its declared type, else from `sample`'s
// storage class (SQLITE_INTEGER, ...).
FieldDef fieldForColumn(const std::string& name, const char* declaredType, int sampleStorageClass);
// The value of a SQLite value as `kind`; null when SQL null. Throws EValueError when it does
// not convert.
Value valueFromSql(sqlite3_value* value, ValueKind kind);

}  // namespace tabulon
