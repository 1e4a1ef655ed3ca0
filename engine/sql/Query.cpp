#include "Query.h"

#include <algorithm>
#include <cctype>

#include "../core/AsciiCase.h"
#include "../core/EngineError.h"
#include "../dataset/Connection.h"
#include "../dataset/ValueText.h"
#include "LiveSelect.h"
#include "SqlDatabase.h"
#include "SqlDialect.h"
#include "SqlValues.h"
#include "TableDefinition.h"
#include "TableNameResolver.h"

namespace tabulon {
namespace {

// The column's values as SQLite gave them, before the field type is known.
Value rawValue(sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER:
            return Value::integer(sqlite3_value_int64(value));
        case SQLITE_FLOAT:
            return Value::floating(sqlite3_value_double(value));
        case SQLITE_BLOB: {
            const auto* data = static_cast<const std::uint8_t*>(sqlite3_value_blob(value));
            return Value::bytes(Bytes(data, data + sqlite3_value_bytes(value)));
        }
        case SQLITE_TEXT:
            return Value::string(
                std::string(reinterpret_cast<const char*>(sqlite3_value_text(value)), sqlite3_value_bytes(value)));
        default:
            return Value();
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

namespace {

// The table field behind each result column after the first (the record id), or nullopt
// when one of them is computed.
std::optional<std::vector<std::string>> columnFieldsOf(sqlite3_stmt* statement) {
    std::vector<std::string> fields;
    for (int i = 1; i < sqlite3_column_count(statement); ++i) {
        const char* origin = sqlite3_column_origin_name(statement, i);
        if (!origin) return std::nullopt;
        fields.emplace_back(origin);
    }
    return fields;
}

}  // namespace

void Query::fetch(SqlDatabase& database) {
    pending_.reset();  // a new run of the statement sees the tables anew
    if (runTableDefinition(database.folder(), database.session(), sql_)) {
        database.forgetTables();
        throw noResultSet();
    }
    const std::optional<LiveSelect> select = liveSelectOf(sql_);
    const bool live = requestLive_ && select;
    SqlDatabase::Statement statement = database.prepare(rewriteSqlDialect(live ? select->sqlWithRowId : sql_));
    sqlite3_stmt* stmt = statement.get();
    if (!stmt || sqlite3_column_count(stmt) == 0) {
        if (stmt) {
            while (database.step(stmt)) {
            }
        }
        throw noResultSet();
    }
    idColumns_ = live ? 1 : 0;  // the record id of a live statement is no field
    const int columns = sqlite3_column_count(stmt) - idColumns_;
    std::vector<FieldDef> fields;
    bool computed = false;
    for (int i = 0; i < columns; ++i) {
        const char* name = sqlite3_column_name(stmt, idColumns_ + i);
        const char* declared = sqlite3_column_decltype(stmt, idColumns_ + i);
        fields.push_back(fieldForSqlType(name ? name : "", declared ? declared : ""));
        computed = computed || fields.back().type == ftUnknown;
    }
    const auto path = select ? std::optional(resolveTableName(database.folder(), select->table)) : std::nullopt;
    live_.reset();
    if (live) {
        auto columnFields = columnFieldsOf(stmt);
        // Only a table that takes writes gives a live result.
        const auto capabilities = database.capabilitiesOf(*path);
        if (columnFields && capabilities && capabilities->write) {
            live_ = std::make_unique<LiveTable>(connection_, path->lexically_relative(database.folder()).string(),
                                                std::move(*columnFields));
        }
    }
    wholeTable_ = select && select->wholeTable ? path : std::nullopt;
    wholeTableCount_.reset();
    rows_.clear();
    rowIds_.clear();
    if (computed) {
        readWhole(database, stmt);
    } else {
        fields_ = std::move(fields);
        pending_ = std::move(statement);
        fetchMore(kFirstRows);
    }
    active_ = true;
    first();
}

void Query::readWhole(SqlDatabase& database, sqlite3_stmt* statement) {
    const int columns = sqlite3_column_count(statement) - idColumns_;
    std::vector<int> classes(columns, SQLITE_NULL);
    while (database.step(statement)) {
        Record row(columns);
        for (int i = 0; i < columns; ++i) {
            row[i] = rawValue(sqlite3_column_value(statement, idColumns_ + i));
            classes[i] = widenedClass(classes[i], sqlite3_column_type(statement, idColumns_ + i));
        }
        rows_.push_back(std::move(row));
        if (idColumns_) rowIds_.push_back(static_cast<RecordId>(sqlite3_column_int64(statement, 0)));
    }
    fields_.clear();
    for (int i = 0; i < columns; ++i) {
        const char* name = sqlite3_column_name(statement, idColumns_ + i);
        fields_.push_back(
            fieldForColumn(name ? name : "", sqlite3_column_decltype(statement, idColumns_ + i), classes[i]));
    }
    for (Record& row : rows_) {
        for (int i = 0; i < columns; ++i) row[i] = typedValue(row[i], valueKindFor(fields_[i].type));
    }
}

std::size_t Query::fetchMore(std::size_t count) {
    if (!pending_) return 0;
    SqlDatabase& database = SqlDatabase::of(connection_);
    sqlite3_stmt* stmt = pending_.get();
    std::size_t read = 0;
    try {
        for (; read < count; ++read) {
            if (!database.step(stmt)) {
                pending_.reset();
                break;
            }
            Record row(fields_.size());
            for (std::size_t i = 0; i < row.size(); ++i) {
                const int column = idColumns_ + static_cast<int>(i);
                row[i] = typedValue(rawValue(sqlite3_column_value(stmt, column)), valueKindFor(fields_[i].type));
            }
            rows_.push_back(std::move(row));
            if (idColumns_) rowIds_.push_back(static_cast<RecordId>(sqlite3_column_int64(stmt, 0)));
        }
    } catch (...) {
        pending_.reset();
        throw;
    }
    return read;
}

std::uint64_t Query::recordCount() {
    while (fetchMore(kFirstRows) > 0) {
    }
    return rows_.size();
}

std::optional<std::uint64_t> Query::knownRecordCount() {
    if (allFetched()) return rows_.size();
    if (!wholeTable_) return std::nullopt;
    if (!wholeTableCount_) wholeTableCount_ = SqlDatabase::of(connection_).recordCountOf(*wholeTable_);
    return wholeTableCount_;
}

void Query::refetch(std::optional<RecordId> id, std::size_t row) {
    fetch(SqlDatabase::of(connection_));
    // The written record may lie beyond the rows read so far.
    const auto indexOf = [&]() -> std::optional<std::size_t> {
        const auto found = std::find(rowIds_.begin(), rowIds_.end(), *id);
        if (found == rowIds_.end()) return std::nullopt;
        return static_cast<std::size_t>(found - rowIds_.begin());
    };
    std::optional<std::size_t> at = id ? indexOf() : std::nullopt;
    while (id && !at && fetchMore(kFirstRows) > 0) at = indexOf();
    while (!at && row >= rows_.size() && fetchMore(kFirstRows) > 0) {
    }
    row_ = at ? *at : std::min(row, rows_.empty() ? 0 : rows_.size() - 1);
    bof_ = eof_ = rows_.empty();
}

void Query::close() {
    active_ = false;
    pending_.reset();
    live_.reset();
    rowIds_.clear();
    editState_ = EditState::Browse;
    fields_.clear();
    rows_.clear();
    row_ = 0;
    bof_ = eof_ = true;
}

void Query::requireModifiable(const char* what) const {
    if (!active_) throw EngineError(errkind::kUsage, std::string("Cannot ") + what + " in a closed query");
    if (!live_) throw EngineError(errkind::kNotSupported, "The query result is read-only");
}

void Query::edit() {
    requireModifiable("edit");
    if (editing()) return;
    if (rows_.empty()) throw EngineError(errkind::kUsage, "Cannot edit: the query result is empty");
    editState_ = EditState::Edit;
    buffer_ = rows_[row_];
    changed_.assign(fields_.size(), false);
}

void Query::append() {
    requireModifiable("append");
    if (editing()) throw EngineError(errkind::kUsage, "Cannot append while editing: post or cancel first");
    editState_ = EditState::Insert;
    buffer_.assign(fields_.size(), Value());
    changed_.assign(fields_.size(), false);
}

void Query::setFieldValue(std::size_t field, Value value) {
    if (!editing()) throw EngineError(errkind::kUsage, "Cannot set a field of the query result outside editing");
    const FieldDef& def = fields_.at(field);
    try {
        buffer_[field] = value.isNull() ? Value() : value.convertTo(valueKindFor(def.type));
    } catch (const EngineError& e) {
        throw EngineError(errkind::kValue, "Field " + def.name + ": " + e.message());
    }
    changed_[field] = true;
}

void Query::post() {
    if (!editing()) return;
    const RecordId id = editState_ == EditState::Edit ? live_->update(rowIds_[row_], buffer_, changed_)
                                                      : live_->append(buffer_, changed_);
    editState_ = EditState::Browse;
    refetch(id, row_);
}

void Query::cancelEdit() { editState_ = EditState::Browse; }

void Query::remove() {
    requireModifiable("delete");
    if (editing()) throw EngineError(errkind::kUsage, "Cannot delete while editing: post or cancel first");
    if (rows_.empty()) throw EngineError(errkind::kUsage, "Cannot delete: the query result is empty");
    live_->remove(rowIds_[row_]);
    refetch(std::nullopt, row_);
}

std::size_t Query::fieldIndex(const std::string& name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (equalsIgnoringAsciiCase(fields_[i].name, name)) return i;
    throw EngineError(errkind::kValue, "Query has no field \"" + name + "\"");
}

const Value& Query::value(std::size_t field) const {
    if (field >= fields_.size())
        throw EngineError(errkind::kValue, "Query has no field number " + std::to_string(field));
    if (editing()) return buffer_[field];
    return rows_.empty() ? null_ : rows_[row_][field];
}

std::string Query::displayText(std::size_t field) const {
    return formatFieldValue(value(field), fields_.at(field), settings_);
}

Record Query::currentValues() const {
    if (editing()) return buffer_;
    return rows_.empty() ? Record() : rows_[row_];
}

const Record& Query::rowValues(std::size_t row) const {
    if (row >= rows_.size())
        throw EngineError(errkind::kValue, "Query has no row " + std::to_string(row + 1) + " read");
    return editState_ == EditState::Edit && row == row_ ? buffer_ : rows_[row];
}

void Query::moveTo(std::size_t row) {
    if (row >= rows_.size())
        throw EngineError(errkind::kValue, "Query has no row " + std::to_string(row + 1) + " read");
    if (editing()) post();
    row_ = std::min(row, rows_.empty() ? 0 : rows_.size() - 1);
    bof_ = eof_ = false;
}

void Query::first() {
    if (editing()) post();  // moving on keeps the edit, as in a table
    row_ = 0;
    bof_ = true;
    eof_ = rows_.empty();
}

void Query::last() {
    if (editing()) post();
    recordCount();
    row_ = rows_.empty() ? 0 : rows_.size() - 1;
    eof_ = true;
    bof_ = rows_.empty();
}

void Query::next() {
    if (editing()) post();
    if (row_ + 1 >= rows_.size()) fetchMore(kFirstRows);
    if (row_ + 1 < rows_.size()) {
        ++row_;
        bof_ = false;
    } else {
        eof_ = true;
    }
}

void Query::prior() {
    if (editing()) post();
    if (row_ > 0) {
        --row_;
        eof_ = false;
    } else {
        bof_ = true;
    }
}

}  // namespace tabulon
