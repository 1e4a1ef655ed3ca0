#pragma once
// An SQLite connection whose tables are the table files of one folder.
#include <sqlite3.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "StorageModule.h"

namespace tabulon {

// Each table a statement names is found in the folder (see resolveTableName) the first time
// it is named and shown through the storage module. Errors are EngineError: EValueError for a
// statement that does not parse (with the position), EFileError naming a missing table, and
// the drivers' own errors with their kinds. One thread at a time, except interrupt().
class SqlDatabase {
public:
    // Throws EFileError naming the folder when it is not one.
    explicit SqlDatabase(std::filesystem::path folder);
    SqlDatabase(const SqlDatabase&) = delete;
    SqlDatabase& operator=(const SqlDatabase&) = delete;
    ~SqlDatabase();

    const std::filesystem::path& folder() const { return folder_; }
    sqlite3* handle() const { return db_; }

    struct StatementDeleter {
        void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
    };
    using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

    // Compiles the first statement of `sql`. Null for a text with no statement.
    Statement prepare(const std::string& sql);
    // One step: true for a row, false when done. Throws as above; "Query cancelled" (EUsageError)
    // after interrupt().
    bool step(sqlite3_stmt* statement);
    // Runs a statement that yields no rows.
    void execute(const std::string& sql);
    // Stops the statement running now; any thread.
    void interrupt();

private:
    [[noreturn]] void throwLastError(int rc, const std::string& sql);
    // Makes the table SQLite reported missing; false when there is no such file.
    bool attachTable(const std::string& name);

    std::filesystem::path folder_;
    sqlite3* db_ = nullptr;
    EngineErrorSlot errorSlot_;
    // Set by interrupt(); a progress handler keeps checking it, because sqlite3_interrupt()
    // alone is lost when no statement happens to be running at that instant.
    std::atomic<bool> interrupted_{false};
};

}  // namespace tabulon
