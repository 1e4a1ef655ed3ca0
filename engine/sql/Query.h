#pragma once
// The SQL statement dataset: statement text and a request-live flag; opening runs it.
#include <filesystem>
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
#include "SqlDatabase.h"

namespace tabulon {

class Connection;

// Contract:
// - Set the statement and the live flag while closed (EUsageError otherwise).
// - open() connects the connection when it is not, then runs the statement over the tables of
//   its folder. A statement that yields rows leaves the result open: fields with names, types
//   and sizes, and a scrollable set of rows. A statement that yields none runs to its end and
//   then throws EngineError(ENoResultSet, "Error creating cursor handle"), leaving the query
//   closed. Other errors: EValueError for SQL that does not parse or run (with the position),
//   EFileError naming a missing table, the drivers' errors, EUsageError "Query cancelled".
// - cancel() may be called from any thread while another runs open().
// - A result whose columns are all columns of tables is read as it is shown: open() reads its
//   first kFirstRows rows and the rest follow through fetchMore(), next(), last() and
//   recordCount(), each row as the table holds it when it is read. Until its last row is read
//   the statement keeps its tables open in the session (shared); close() lets them go. A
//   result with computed columns is read whole by open(), since every value decides its type.
// - The rows read are a copy. With request-live, a SELECT from one
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

    static constexpr std::size_t kFirstRows = 256;

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

    // Row `row` of those read (below fetchedCount()); the edit buffer while that row is edited.
    const Record& rowValues(std::size_t row) const;
    // Makes row `row` of those read the current one; an edit in progress is posted first.
    void moveTo(std::size_t row);
    const RegionalSettings& regionalSettings() const { return settings_; }

    void first();
    void last();
    void next();
    void prior();
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }
    bool isEmpty() const { return rows_.empty(); }
    // Reads every row that is still to come.
    std::uint64_t recordCount();
    // Whether every row of the result has been read.
    bool allFetched() const { return !pending_; }
    std::uint64_t fetchedCount() const { return rows_.size(); }
    // Reads up to `count` more rows and returns how many came. An error (the drivers', say)
    // ends the result at the rows read before it and is thrown.
    std::size_t fetchMore(std::size_t count);
    // The number of rows when it is known without reading them all: every row was read, or the
    // statement reads a whole table (no WHERE or LIMIT), whose record count it is.
    std::optional<std::uint64_t> knownRecordCount();
    // 1-based; 0 when there is no row.
    std::uint64_t recordNumber() const { return rows_.empty() ? 0 : row_ + 1; }

private:
    enum class EditState { Browse, Edit, Insert };

    void requireClosed(const char* what) const;
    void requireModifiable(const char* what) const;
    void fetch(SqlDatabase& database);
    // Reads a result with computed columns whole, typing each column by all of its values.
    void readWhole(SqlDatabase& database, sqlite3_stmt* statement);
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
    SqlDatabase::Statement pending_;                   // the statement while rows are still to be read
    int idColumns_ = 0;                                // leading columns of the statement that are no field
    std::optional<std::filesystem::path> wholeTable_;  // the table a whole-table statement reads
    std::optional<std::uint64_t> wholeTableCount_;
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
