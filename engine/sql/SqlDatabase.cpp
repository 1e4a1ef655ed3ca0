#include "SqlDatabase.h"

#include "../core/EngineError.h"
#include "../dataset/Connection.h"
#include "ExactAggregates.h"
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

// The SQL connection a dataset connection keeps while connected.
struct KeptSqlDatabase : ConnectionExtension {
    explicit KeptSqlDatabase(Connection& connection) : database(connection.folder(), connection.session().name()) {}
    SqlDatabase database;
};

constexpr const char* kExtensionKey = "sql";

}  // namespace

SqlDatabase& SqlDatabase::of(Connection& connection) {
    if (auto* kept = dynamic_cast<KeptSqlDatabase*>(connection.extension(kExtensionKey))) return kept->database;
    auto& kept = connection.setExtension(kExtensionKey, std::make_unique<KeptSqlDatabase>(connection));
    return static_cast<KeptSqlDatabase&>(kept).database;
}

SqlDatabase::SqlDatabase(std::filesystem::path folder, std::string session) : folder_(std::move(folder)) {
    context_.session = std::move(session);
    std::error_code ec;
    if (!std::filesystem::is_directory(folder_, ec)) {
        throw EngineError(errkind::kFile, "Folder " + folder_.string() + " does not exist");
    }
    sqlite3* opened = nullptr;
    const int rc =
        sqlite3_open_v2(":memory:", &opened, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    db_.reset(opened);  // closed by its owner even when opening failed half way
    if (rc != SQLITE_OK) {
        throw EngineError(errkind::kFile, std::string("Cannot start the SQL engine: ") + sqlite3_errstr(rc));
    }
    sqlite3* db = db_.get();
    sqlite3_extended_result_codes(db, 1);
    sqlite3_progress_handler(
        db, 1000, [](void* flag) { return static_cast<std::atomic<bool>*>(flag)->load() ? 1 : 0; }, &interrupted_);
    registerStorageModule(db, context_);
    registerExactAggregates(db);
}

void SqlDatabase::throwLastError(int rc, const std::string& sql) {
    if (context_.error) {
        EngineError error = *context_.error;
        context_.error.reset();
        throw error;
    }
    if ((rc & 0xff) == SQLITE_INTERRUPT) throw EngineError(errkind::kUsage, "Query cancelled");
    std::string message = sqlite3_errmsg(db_.get());
    const int offset = sqlite3_error_offset(db_.get());
    if (offset >= 0 && static_cast<std::size_t>(offset) <= sql.size()) {
        message += " at position " + std::to_string(offset + 1);
    }
    throw EngineError(errkind::kValue, "SQL error: " + message);
}

bool SqlDatabase::attachTable(const std::string& name) {
    const std::filesystem::path path = resolveTableName(folder_, name);
    if (path.empty()) return false;
    // Taken before the files are opened, so a change meanwhile shows as a difference later.
    TableSignature signature = TableSignature::of(path);
    executeDirectly("CREATE VIRTUAL TABLE temp." + sqlQuoted(name, '"') + " USING " + kStorageModuleName + "(" +
                    sqlQuoted(path.string(), '\'') + ")");
    attached_.push_back({name, path, std::move(signature)});
    return true;
}

void SqlDatabase::forget(const std::string& name) { executeDirectly("DROP TABLE temp." + sqlQuoted(name, '"')); }

void SqlDatabase::executeDirectly(const std::string& sql) {
    context_.error.reset();
    const int rc = sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throwLastError(rc, sql);
}

void SqlDatabase::forgetChangedTables() {
    std::erase_if(attached_, [&](const AttachedTable& table) {
        if (table.signature.unchangedIn(TableSignature::of(table.path))) return false;
        forget(table.name);
        return true;
    });
}

void SqlDatabase::forgetTables() {
    for (const AttachedTable& table : attached_) forget(table.name);
    attached_.clear();
}

SqlDatabase::Statement SqlDatabase::prepare(const std::string& sql) {
    if (statementsRunning_ == 0) {
        // Locked first, so no exclusive user changes the files between the check and the reads.
        resumeStorageTables(context_);
    }
    try {
        Statement statement = compile(sql);
        if (statement)
            ++statementsRunning_;
        else if (statementsRunning_ == 0)
            suspendStorageTables(context_);
        return statement;
    } catch (...) {
        if (statementsRunning_ == 0) suspendStorageTables(context_);
        throw;
    }
}

void SqlDatabase::statementEnded() {
    if (--statementsRunning_ == 0) suspendStorageTables(context_);
}

void SqlDatabase::StatementDeleter::operator()(sqlite3_stmt* statement) const {
    sqlite3_finalize(statement);
    if (database) database->statementEnded();
}

SqlDatabase::Statement SqlDatabase::compile(const std::string& sql) {
    // Each missing table is attached and the statement compiled again; a statement names
    // finitely many tables, and a table once attached is never missing again.
    constexpr int kMostTables = 64;
    if (statementsRunning_ == 0) forgetChangedTables();
    for (int attached = 0;; ++attached) {
        context_.error.reset();
        sqlite3_stmt* raw = nullptr;
        const int rc = sqlite3_prepare_v2(db_.get(), sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr);
        if (rc == SQLITE_OK) return Statement(raw, StatementDeleter{raw ? this : nullptr});
        sqlite3_finalize(raw);
        const std::string message = sqlite3_errmsg(db_.get());
        if (context_.error || message.rfind(kNoSuchTable, 0) != 0 || attached == kMostTables) {
            throwLastError(rc, sql);
        }
        const std::string name = withoutSchema(message.substr(kNoSuchTable.size()));
        if (!attachTable(name)) {
            throw EngineError(errkind::kFile, "Table \"" + name + "\" not found in " + folder_.string());
        }
    }
}

bool SqlDatabase::step(sqlite3_stmt* statement) {
    context_.error.reset();
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
    sqlite3_interrupt(db_.get());
}

void SqlDatabase::clearInterrupt() { interrupted_.store(false); }

}  // namespace tabulon
