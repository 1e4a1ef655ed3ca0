#include "Query.h"

#include <algorithm>
#include <cctype>

#include "../core/EngineError.h"
#include "../dataset/Connection.h"
#include "../dataset/ValueText.h"
#include "SqlDatabase.h"
#include "SqlDialect.h"
#include "SqlValues.h"
#include "TableDefinition.h"

namespace tabulon {
namespace {

bool sameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::toupper(x) == std::toupper(y); });
}

// The column's values as SQLite gave them, before the field type is known.
Value rawValue(sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER: return Value::integer(sqlite3_value_int64(value));
    case SQLITE_FLOAT: return Value::floating(sqlite3_value_double(value));
    case SQLITE_BLOB: {
        const auto* data = static_cast<const std::uint8_t*>(sqlite3_value_blob(value));
        return Value::bytes(Bytes(data, data + sqlite3_value_bytes(value)));
    }
    case SQLITE_TEXT:
        return Value::string(std::string(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                         sqlite3_value_bytes(value)));
    default: return Value();
    }
}

// The storage class that holds every value of a computed column: integers widen to floats,
// and any mixture with text reads as text.
int widenedClass(int soFar, int next) {
    if (next == SQLITE_NULL || soFar == next) return soFar;
    if (soFar == SQLITE_NULL) return next;
    if ((soFar == SQLITE_INTEGER && next == SQLITE_FLOAT) || (soFar == SQLITE_FLOAT && next == SQLITE_INTEGER)) {
        return SQLITE_FLOAT;
    }
    return SQLITE_TEXT;
}

// A computed column's value in its field's kind; text when it does not convert.
Value typedValue(const Value& raw, ValueKind kind) {
    if (raw.isNull() || raw.kind() == kind) return raw;
    try {
        return raw.convertTo(kind);
    } catch (const EngineError&) {
        return Value::string(raw.toText());
    }
}

// What a statement that ran without rows raises; callers rely on exactly this pair.
EngineError noResultSet() { return EngineError(errkind::kNoResultSet, "Error creating cursor handle"); }

}  // namespace

Query::Query(Connection& connection) : connection_(connection) {}

Query::~Query() = default;

void Query::requireClosed(const char* what) const {
    if (active_) throw EngineError(errkind::kUsage, std::string("Cannot ") + what + " of an open query");
}

void Query::setSql(std::string sql) {
    requireClosed("change the statement");
    sql_ = std::move(sql);
}

void Query::setRequestLive(bool live) {
    requireClosed("change the live setting");
    requestLive_ = live;
}

void Query::cancel() {
    std::lock_guard lock(runningMutex_);
    cancelled_ = true;
    if (running_) running_->interrupt();
}

void Query::open() {
    requireClosed("open again");
    if (!connection_.connected()) connection_.connect();
    SqlDatabase& database = SqlDatabase::of(connection_);
    {
        std::lock_guard lock(runningMutex_);
        if (cancelled_) {
            cancelled_ = false;
            throw EngineError(errkind::kUsage, "Query cancelled");
        }
        database.clearInterrupt();
        running_ = &database;
    }
    struct Release {
        Query& query;
        ~Release() {
            std::lock_guard lock(query.runningMutex_);
            query.running_ = nullptr;
            query.cancelled_ = false;
        }
    } release{*this};
    fetch(database);
}

void Query::fetch(SqlDatabase& database) {
    if (runTableDefinition(database.folder(), sql_)) {
        database.forgetTables();
        throw noResultSet();
    }
    const std::string sql = rewriteSqlDialect(sql_);
    SqlDatabase::Statement statement = database.prepare(sql);
    sqlite3_stmt* stmt = statement.get();
    if (!stmt || sqlite3_column_count(stmt) == 0) {
        if (stmt) {
            while (database.step(stmt)) {
            }
        }
        throw noResultSet();
    }
    const int columns = sqlite3_column_count(stmt);
    std::vector<int> classes(columns, SQLITE_NULL);
    std::vector<Record> rows;
    while (database.step(stmt)) {
        Record row(columns);
        for (int i = 0; i < columns; ++i) {
            row[i] = rawValue(sqlite3_column_value(stmt, i));
            classes[i] = widenedClass(classes[i], sqlite3_column_type(stmt, i));
        }
        rows.push_back(std::move(row));
    }
    std::vector<FieldDef> fields;
    for (int i = 0; i < columns; ++i) {
        const char* name = sqlite3_column_name(stmt, i);
        fields.push_back(fieldForColumn(name ? name : "", sqlite3_column_decltype(stmt, i), classes[i]));
    }
    for (Record& row : rows) {
        for (int i = 0; i < columns; ++i) row[i] = typedValue(row[i], valueKindFor(fields[i].type));
    }
    fields_ = std::move(fields);
    rows_ = std::move(rows);
    active_ = true;
    first();
}

void Query::close() {
    active_ = false;
    fields_.clear();
    rows_.clear();
    row_ = 0;
    bof_ = eof_ = true;
}

void Query::edit() {
    if (!active_) throw EngineError(errkind::kUsage, "Cannot edit a closed query");
    throw EngineError(errkind::kNotSupported, "The query result is read-only");
}

std::size_t Query::fieldIndex(const std::string& name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (sameName(fields_[i].name, name)) return i;
    throw EngineError(errkind::kValue, "Query has no field \"" + name + "\"");
}

const Value& Query::value(std::size_t field) const {
    if (field >= fields_.size()) throw EngineError(errkind::kValue, "Query has no field number " + std::to_string(field));
    return rows_.empty() ? null_ : rows_[row_][field];
}

std::string Query::displayText(std::size_t field) const {
    return formatFieldValue(value(field), fields_.at(field), settings_);
}

Record Query::currentValues() const { return rows_.empty() ? Record() : rows_[row_]; }

void Query::first() {
    row_ = 0;
    bof_ = true;
    eof_ = rows_.empty();
}

void Query::last() {
    row_ = rows_.empty() ? 0 : rows_.size() - 1;
    eof_ = true;
    bof_ = rows_.empty();
}

void Query::next() {
    if (row_ + 1 < rows_.size()) {
        ++row_;
        bof_ = false;
    } else {
        eof_ = true;
    }
}

void Query::prior() {
    if (row_ > 0) {
        --row_;
        eof_ = false;
    } else {
        bof_ = true;
    }
}

}  // namespace tabulon
