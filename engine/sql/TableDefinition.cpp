#include "TableDefinition.h"

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <regex>
#include <vector>

#include "../core/EngineError.h"
#include "../dataset/TableLock.h"
#include "../ops/DesktopTrash.h"
#include "../storage/Drivers.h"
#include "IndexAndColumnStatements.h"
#include "SqlText.h"
#include "SqlTokens.h"
#include "SqlValues.h"
#include "TableNameResolver.h"

namespace tabulon {
namespace {

struct ColumnInfo {
    std::string name;
    std::string type;
    bool notNull = false;
    int keyPosition = 0;  // 1-based place in the primary key; 0 when not in it
};

// The field an SQL column type asks for, before the driver picks its nearest; a type
// SQL does not name holds text of any length.
FieldDef fieldFor(const ColumnInfo& column) {
    FieldDef field = fieldForSqlType(column.name, column.type);
    if (field.type == ftUnknown) field.type = ftMemo;
    field.required = column.notNull;
    return field;
}

// Lets SQLite parse the statement into a scratch schema and reads the table back from it.
std::pair<std::string, std::vector<ColumnInfo>> parseCreate(const std::string& sql) {
    sqlite3* raw = nullptr;
    sqlite3_open(":memory:", &raw);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    if (sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        throw EngineError(errkind::kValue, std::string("SQL error: ") + sqlite3_errmsg(db.get()));
    }
    std::string name;
    std::vector<ColumnInfo> columns;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db.get(), "SELECT name FROM sqlite_schema WHERE type = 'table'", -1, &statement, nullptr);
    if (sqlite3_step(statement) == SQLITE_ROW) name = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_prepare_v2(db.get(), "SELECT name, type, \"notnull\", pk FROM pragma_table_info(?)", -1, &statement,
                       nullptr);
    sqlite3_bind_text(statement, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        columns.push_back({reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)),
                           reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)),
                           sqlite3_column_int(statement, 2) != 0, sqlite3_column_int(statement, 3)});
    }
    sqlite3_finalize(statement);
    return {name, columns};
}

void createTable(const std::filesystem::path& folder, const std::string& sql) {
    const auto [name, columns] = parseCreate(sql);
    // Resolving also refuses names that leave the folder.
    if (!resolveTableName(folder, name).empty()) {
        throw EngineError(errkind::kFile, "Table \"" + name + "\" already exists in " + folder.string());
    }
    std::filesystem::path path = folder / name;
    if (!path.has_extension()) path += ".DB";
    const StorageDriver& driver = driverForPath(path);
    std::vector<FieldDef> fields;
    std::vector<const ColumnInfo*> key;
    for (const ColumnInfo& column : columns) {
        fields.push_back(driver.nearestField(fieldFor(column)));
        if (column.keyPosition > 0) key.push_back(&column);
    }
    std::sort(key.begin(), key.end(), [](auto* a, auto* b) { return a->keyPosition < b->keyPosition; });
    std::vector<IndexDef> indexes;
    if (!key.empty()) {
        IndexDef primary;
        for (const ColumnInfo* column : key) primary.fields += (primary.fields.empty() ? "" : ";") + column->name;
        primary.options = ixPrimary | ixUnique;
        if (driver.tableType() != ttParadox) primary.name = "PRIMARY";
        indexes.push_back(primary);
    }
    driver.create(path, fields, indexes, {}).reset();
}

void dropTable(const std::filesystem::path& folder, const std::string& session, const std::string& name,
               bool ifExists) {
    const std::filesystem::path path = resolveTableName(folder, name);
    if (path.empty()) {
        if (ifExists) return;
        throw EngineError(errkind::kFile, "Table \"" + name + "\" not found in " + folder.string());
    }
    // Held while the files go, so nobody opens the table half moved.
    const TableLock lock = TableLock::acquire(path, session, true);
    const DesktopTrash trash;
    for (const auto& file : driverForPath(path).familyFiles(path)) trash.moveToTrash(file);
}

}  // namespace

bool runTableDefinition(const std::filesystem::path& folder, const std::string& session, const std::string& sql) {
    static const std::regex kCreate(R"(^\s*CREATE\s+TABLE\s)", std::regex::icase);
    static const std::regex kDrop(R"(^\s*DROP\s+TABLE\s+(IF\s+EXISTS\s+)?("(?:[^"]|"")*"|[^\s;]+)\s*;?\s*$)",
                                  std::regex::icase);
    std::smatch match;
    if (std::regex_search(sql, kCreate)) {
        createTable(folder, sql);
        return true;
    }
    if (std::regex_match(sql, match, kDrop)) {
        dropTable(folder, session, sqlUnquoted(match[2].str()), match[1].matched);
        return true;
    }
    std::vector<Token> tokens = tokenize(sql);
    while (!tokens.empty() && (tokens.back().text.empty() || tokens.back().text == ";")) tokens.pop_back();
    return runIndexOrColumnStatement(folder, session, tokens);
}

}  // namespace tabulon
