#include "SqlDatabase.h"

#include "../core/EngineError.h"
#include "SqlText.h"
#include "TableNameResolver.h"

namespace tabulon {
namespace {

constexpr std::string_view kNoSuchTable = "no such table: ";

// "main.ORDERS" -> "ORDERS"; SQLite names the schema only when the statement did.
std::string withoutSchema(const std::string& name) {
    for (const char* schema : {"main.", "temp."}) {
        if (name.rfind(schema, 0) == 0) return name.substr(std::string_view(schema).size());
    }
    return name;
}

}  // namespace

SqlDatabase::SqlDatabase(std::filesystem::path folder) : folder_(std::move(folder)) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder_, ec)) {
        throw EngineError(errkind::kFile, "Folder " + folder_.string() + " does not exist");
    }
    if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db_);
        throw EngineError(errkind::kFile, "Cannot start the SQL engine");
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_progress_handler(
        db_, 1000, [](void* flag) { return static_cast<std::atomic<bool>*>(flag)->load() ? 1 : 0; },
        &interrupted_);
    registerStorageModule(db_, errorSlot_);
}

SqlDatabase::~SqlDatabase() { sqlite3_close_v2(db_); }

void SqlDatabase::throwLastError(int rc, const std::string& sql) {
    if (errorSlot_.error) {
        EngineError error = *errorSlot_.error;
        errorSlot_.error.reset();
        throw error;
    }
    if ((rc & 0xff) == SQLITE_INTERRUPT) throw EngineError(errkind::kUsage, "Query cancelled");
    std::string message = sqlite3_errmsg(db_);
    const int offset = sqlite3_error_offset(db_);
    if (offset >= 0 && static_cast<std::size_t>(offset) <= sql.size()) {
        message += " at position " + std::to_string(offset + 1);
    }
    throw EngineError(errkind::kValue, "SQL error: " + message);
}

bool SqlDatabase::attachTable(const std::string& name) {
    const std::filesystem::path path = resolveTableName(folder_, name);
    if (path.empty()) return false;
    execute("CREATE VIRTUAL TABLE temp." + sqlQuoted(name, '"') + " USING " + kStorageModuleName + "(" +
            sqlQuoted(path.string(), '\'') + ")");
    return true;
}

SqlDatabase::Statement SqlDatabase::prepare(const std::string& sql) {
    // Each missing table is attached and the statement compiled again; a statement names
    // finitely many tables, and a table once attached is never missing again.
    constexpr int kMostTables = 64;
    for (int attached = 0;; ++attached) {
        errorSlot_.error.reset();
        sqlite3_stmt* raw = nullptr;
        const int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr);
        Statement statement(raw);
        if (rc == SQLITE_OK) return statement;
        const std::string message = sqlite3_errmsg(db_);
        if (errorSlot_.error || message.rfind(kNoSuchTable, 0) != 0 || attached == kMostTables) {
            throwLastError(rc, sql);
        }
        const std::string name = withoutSchema(message.substr(kNoSuchTable.size()));
        if (!attachTable(name)) {
            throw EngineError(errkind::kFile, "Table \"" + name + "\" not found in " + folder_.string());
        }
    }
}

bool SqlDatabase::step(sqlite3_stmt* statement) {
    errorSlot_.error.reset();
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throwLastError(rc, sqlite3_sql(statement) ? sqlite3_sql(statement) : "");
}

void SqlDatabase::execute(const std::string& sql) {
    Statement statement = prepare(sql);
    if (statement) {
        while (step(statement.get())) {
        }
    }
}

void SqlDatabase::interrupt() {
    interrupted_.store(true);
    sqlite3_interrupt(db_);
}

}  // namespace tabulon
