#pragma once
// An SQLite connection whose tables are the table files of one folder.
#include <sqlite3.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../dataset/Session.h"
#include "StorageModule.h"
#include "TableSignature.h"

namespace tabulon {

class Connection;

// Each table a statement names is found in the folder (see resolveTableName) the first time
// it is named and shown through the storage module, which keeps it open for later statements
// while its files stay unchanged. Errors are EngineError: EValueError for a statement that
// does not parse (with the position), EFileError naming a missing table, and the drivers' own
// errors with their kinds. One thread at a time, except interrupt().
class SqlDatabase {
public:
    // Throws EFileError naming the folder when it is not one. Writes lock tables in `session`.
    explicit SqlDatabase(std::filesystem::path folder, std::string session = Session::kDefaultName);
    // The one kept with the connected `connection` (made at the first call), so its tables
    // stay open from one query to the next.
    static SqlDatabase& of(Connection& connection);
    SqlDatabase(const SqlDatabase&) = delete;
    SqlDatabase& operator=(const SqlDatabase&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    sqlite3* handle() const { return db_.get(); }
    // The session whose locks the connection's reads, writes and definitions take.
    const std::string& session() const { return context_.session; }

    // Finalizing the last running statement suspends the tables' locks.
    struct StatementDeleter {
        SqlDatabase* database = nullptr;
        void operator()(sqlite3_stmt* statement) const;
    };
    using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

    // Compiles the first statement of `sql`, first letting go of tables whose files changed
    // since they were opened. Null for a text with no statement. The tables stay locked while
    // a statement of the database lives.
    Statement prepare(const std::string& sql);
    // One step: true for a row, false when done. Throws as above; "Query cancelled" (EUsageError)
    // after interrupt().
    bool step(sqlite3_stmt* statement);
    // Runs a statement that yields no rows.
    void execute(const std::string& sql);
    // Stops the statement running now; any thread.
    void interrupt();
    // Lets statements run again after interrupt().
    void clearInterrupt();
    // Lets go of every open table, as after a change of the folder's definitions.
    void forgetTables();
    // What the open table over the file `path` can do; none when no statement named it yet.
    std::optional<TableCapabilities> capabilitiesOf(const std::filesystem::path& path) const {
        return storageTableCapabilities(context_, path);
    }
    // The live records of the open table over the file `path`; EUsageError when no statement
    // named it yet.
    std::uint64_t recordCountOf(const std::filesystem::path& path) const {
        return storageTableRecordCount(context_, path);
    }

private:
    [[noreturn]] void throwLastError(int rc, const std::string& sql);
    // Makes the table SQLite reported missing; false when there is no such file.
    bool attachTable(const std::string& name);
    void forgetChangedTables();
    Statement compile(const std::string& sql);
    void statementEnded();
    void forget(const std::string& name);
    // Runs a statement of the database's own, without looking for changed or missing tables.
    void executeDirectly(const std::string& sql);

    struct AttachedTable {
        std::string name;  // as the statement named it
        std::filesystem::path path;
        TableSignature signature;
    };

    struct ConnectionCloser {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };

    std::filesystem::path folder_;
    StorageModuleContext context_;
    std::vector<AttachedTable> attached_;
    int statementsRunning_ = 0;
    // Set by interrupt(); a progress handler keeps checking it, because sqlite3_interrupt()
    // alone is lost when no statement happens to be running at that instant.
    std::atomic<bool> interrupted_{false};
    // Last, so it closes first, while the module's context and the progress flag still live;
    // owned from the moment it opens, so a constructor that throws later closes it too.
    std::unique_ptr<sqlite3, ConnectionCloser> db_;
};

}  // namespace tabulon
