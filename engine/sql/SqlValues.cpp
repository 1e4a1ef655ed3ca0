#include "SqlValues.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "../core/EngineError.h"
#include "SqlText.h"

namespace tabulon {
namespace {

// Any decimal of this many significant digits reads back unchanged from the nearest double.
constexpr int kExactFloatDigits = 15;

std::string timestampText(Timestamp timestamp) {
    std::string text = timestamp.toText();
    std::replace(text.begin(), text.end(), 'T', ' ');
    return text;
}

}  // namespace

void setSqlResult(sqlite3_context* context, const Value& value) {
    switch (value.kind()) {
        case ValueKind::Null:
            sqlite3_result_null(context);
            return;
        case ValueKind::Boolean:
            sqlite3_result_int(context, value.asBool() ? 1 : 0);
            return;
        case ValueKind::Integer:
            sqlite3_result_int64(context, value.asInt());
            return;
        case ValueKind::Float:
        case ValueKind::Currency:
            sqlite3_result_double(context, value.asDouble());
            return;
        case ValueKind::Bcd: {
            // A float when it holds the decimal exactly, so it compares with numbers; else the
            // exact text, which the exact aggregates and the result fields read back.
            const Decimal& decimal = value.asDecimal();
            if (decimal.digitCount() <= kExactFloatDigits) {
                sqlite3_result_double(context, decimal.toDouble());
            } else {
                const std::string text = decimal.toString();
                sqlite3_result_text64(context, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            }
            return;
        }
        case ValueKind::Date:
        case ValueKind::Time:
        case ValueKind::String: {
            const std::string text = value.kind() == ValueKind::String ? value.asString() : value.toText();
            sqlite3_result_text64(context, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            return;
        }
        case ValueKind::Timestamp: {
            const std::string text = timestampText(value.asTimestamp());
            sqlite3_result_text64(context, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            return;
        }
        case ValueKind::Bytes: {
            const Bytes& bytes = value.asBytes();
            sqlite3_result_blob64(context, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
            return;
        }
    }
}

std::string sqlTypeFor(const FieldDef& field) {
    switch (valueKindFor(field.type)) {
        case ValueKind::Boolean:
            return "BOOLEAN";
        case ValueKind::Integer:
            return field.type == ftAutoInc ? "AUTOINC" : "INTEGER";
        case ValueKind::Float:
            return "FLOAT";
        case ValueKind::Currency:
            return "MONEY";
        case ValueKind::Bcd:
            return "DECIMAL(32," + std::to_string(field.size) + ")";
        case ValueKind::Date:
            return "DATE";
        case ValueKind::Time:
            return "TIME";
        case ValueKind::Timestamp:
            return "TIMESTAMP";
        case ValueKind::Bytes:
            return "BLOB";
        case ValueKind::String:
            return field.type == ftString ? "VARCHAR(" + std::to_string(field.size) + ")" : "CLOB";
        case ValueKind::Null:
            break;
    }
    return "";
}

FieldDef fieldForSqlType(const std::string& name, const std::string& declaredType) {
    FieldDef field;
    field.name = name;
    const std::string type = asciiUpper(declaredType);
    const auto starts = [&](const char* prefix) { return type.rfind(prefix, 0) == 0; };
    std::vector<int> numbers;
    for (std::size_t at = type.find_first_of("0123456789"); at != std::string::npos;
         at = type.find_first_of("0123456789", type.find_first_not_of("0123456789", at))) {
        numbers.push_back(std::atoi(type.c_str() + at));
    }
    if (starts("BOOL"))
        field.type = ftBoolean;
    else if (starts("AUTOINC"))
        field.type = ftAutoInc;
    else if (starts("SMALLINT"))
        field.type = ftSmallint;
    else if (starts("INT") || starts("BIGINT"))
        field.type = ftInteger;
    else if (starts("FLOAT") || starts("REAL") || starts("DOUBLE"))
        field.type = ftFloat;
    else if (starts("MONEY") || starts("CURRENCY"))
        field.type = ftCurrency;
    else if (starts("DECIMAL") || starts("NUMERIC"))
        field.type = ftBCD;
    else if (starts("TIMESTAMP") || starts("DATETIME"))
        field.type = ftDateTime;
    else if (starts("DATE"))
        field.type = ftDate;
    else if (starts("TIME"))
        field.type = ftTime;
    else if (starts("BLOB"))
        field.type = ftBlob;
    else if (starts("CLOB") || starts("MEMO"))
        field.type = ftMemo;
    else if (starts("VARCHAR") || starts("CHAR") || starts("TEXT"))
        field.type = ftString;
    if (field.type == ftString) field.size = numbers.empty() ? (starts("TEXT") ? 255 : 1) : std::max(1, numbers[0]);
    if (field.type == ftBCD) field.size = numbers.size() > 1 ? numbers[1] : 0;
    return field;
}

FieldDef fieldForColumn(const std::string& name, const char* declaredType, int sampleStorageClass) {
    FieldDef field = fieldForSqlType(name, declaredType ? declaredType : "");
    if (field.type != ftUnknown) return field;
    switch (sampleStorageClass) {
        case SQLITE_INTEGER:
            field.type = ftInteger;
            break;
        case SQLITE_FLOAT:
            field.type = ftFloat;
            break;
        case SQLITE_BLOB:
            field.type = ftBlob;
            break;
        default:
            field.type = ftString;
            field.size = 255;
    }
    return field;
}

Value valueFromSql(sqlite3_value* value, ValueKind kind) {
    switch (sqlite3_value_type(value)) {
        case SQLITE_NULL:
            return Value();
        case SQLITE_INTEGER:
            return Value::integer(sqlite3_value_int64(value)).convertTo(kind);
        case SQLITE_FLOAT:
            return Value::floating(sqlite3_value_double(value)).convertTo(kind);
        case SQLITE_BLOB: {
            const auto* data = static_cast<const std::uint8_t*>(sqlite3_value_blob(value));
            return Value::bytes(Bytes(data, data + sqlite3_value_bytes(value))).convertTo(kind);
        }
        default: {
            const std::string text(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                   sqlite3_value_bytes(value));
            if (kind == ValueKind::String) return Value::string(text);
            return Value::fromText(kind, text);
        }
    }
}

}  // namespace tabulon
