#pragma once
// The SQL statement dataset: statement text and a request-live flag; opening runs it.
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "../core/FieldDef.h"
#include "../core/Value.h"
#include "../dataset/RegionalSettings.h"
#include "../storage/StorageTable.h"
#include "LiveTable.h"

namespace tabulon {

class Connection;
class SqlDatabase;

// Contract:
// - Set the statement and the live flag while closed (EUsageError otherwise).
// - open() connects the connection when it is not, then runs the statement over the tables of
//   its folder. A statement that yields rows leaves the result open: fields with names, types
//   and sizes, and a scrollable set of rows. A statement that yields none runs to its end and
//   then throws EngineError(ENoResultSet, "Error creating cursor handle"), leaving the query
//   closed. Other errors: EValueError for SQL that does not parse or run (with the position),
//   EFileError naming a missing table, the drivers' errors, EUsageError "Query cancelled".
// - cancel() may be called from any thread while another runs open().
// - The result is a copy taken while the statement ran. With request-live, a SELECT from one
//   table without DISTINCT, aggregates, GROUP BY, joins or unions whose columns are all plain
//   columns of the table is live: edits, appends and removals go to the table through the
//   dataset layer, and the statement then runs again. Any other result is read-only: its edit
//   calls throw ENotSupported.
// - One thread at a time, the thread of the connection's session (cancel() excepted).
class Query {
public:
    explicit Query(Connection& connection);
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    ~Query();

    void setSql(std::string sql);
    const std::string& sql() const { return sql_; }
    void setRequestLive(bool live);
    bool requestLive() const { return requestLive_; }
    void setRegionalSettings(const RegionalSettings& settings) { settings_ = settings; }

    void open();
    void close();
    bool active() const { return active_; }
    void cancel();

    // Whether edits of the result reach the table (a live result).
    bool canModify() const { return active_ && live_ != nullptr; }
    // edit() starts changing the current row, append() a new one; setFieldValue() changes the
    // edit buffer (EValueError when the value does not convert to the field); post() writes
    // the changed fields to the table, runs the statement again and goes to the written
    // record (or the same row number when it no longer matches); cancelEdit() drops the
    // buffer. remove() deletes the current row's record from the table. The table's errors
    // leave the result as it was, still editing after a failed post().
    void edit();
    void append();
    void setFieldValue(std::size_t field, Value value);
    void post();
    void cancelEdit();
    void remove();
    bool editing() const { return editState_ != EditState::Browse; }

    std::size_t fieldCount() const { return fields_.size(); }
    const std::vector<FieldDef>& fieldDefs() const { return fields_; }
    // EValueError when there is no such field (letter case ignored).
    std::size_t fieldIndex(const std::string& name) const;
    // The current row's value; null when there is none.
    const Value& value(std::size_t field) const;
    std::string displayText(std::size_t field) const;
    Record currentValues() const;

    void first();
    void last();
    void next();
    void prior();
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }
    bool isEmpty() const { return rows_.empty(); }
    std::uint64_t recordCount() const { return rows_.size(); }
    // 1-based; 0 when there is no row.
    std::uint64_t recordNumber() const { return rows_.empty() ? 0 : row_ + 1; }

private:
    enum class EditState { Browse, Edit, Insert };

    void requireClosed(const char* what) const;
    void requireModifiable(const char* what) const;
    void fetch(SqlDatabase& database);
    // Runs the statement again after a write and goes to the record `id`, else to `row`.
    void refetch(std::optional<RecordId> id, std::size_t row);

    Connection& connection_;
    std::string sql_;
    bool requestLive_ = false;
    RegionalSettings settings_;

    std::mutex runningMutex_;  // guards running_ for cancel()
    SqlDatabase* running_ = nullptr;
    bool cancelled_ = false;

    bool active_ = false;
    std::vector<FieldDef> fields_;
    std::vector<Record> rows_;
    std::unique_ptr<LiveTable> live_;  // set for a live result
    std::vector<RecordId> rowIds_;     // a live result's record of each row
    EditState editState_ = EditState::Browse;
    Record buffer_;
    std::vector<bool> changed_;
    std::size_t row_ = 0;
    bool bof_ = true;
    bool eof_ = true;
    Value null_;
};

}  // namespace tabulon
