#include "TableDefinition.h"

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <regex>
#include <vector>

#include "../core/EngineError.h"
#include "../storage/Drivers.h"
#include "TableNameResolver.h"
#include "TrashMover.h"

namespace tabulon {
namespace {

struct ColumnInfo {
    std::string name;
    std::string type;
    bool notNull = false;
    int keyPosition = 0;  // 1-based place in the primary key; 0 when not in it
};

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

// The field an SQL column type asks for, before the driver picks its nearest.
FieldDef fieldFor(const ColumnInfo& column) {
    FieldDef field;
    field.name = column.name;
    field.required = column.notNull;
    const std::string type = upper(column.type);
    const auto starts = [&](const char* prefix) { return type.rfind(prefix, 0) == 0; };
    std::vector<int> numbers;
    static const std::regex kNumber("\\d+");
    for (std::sregex_iterator it(type.begin(), type.end(), kNumber), end; it != end; ++it) {
        numbers.push_back(std::stoi(it->str()));
    }
    if (starts("SMALLINT")) field.type = ftSmallint;
    else if (starts("INT") || starts("BIGINT")) field.type = ftInteger;
    else if (starts("AUTOINC")) field.type = ftAutoInc;
    else if (starts("FLOAT") || starts("REAL") || starts("DOUBLE")) field.type = ftFloat;
    else if (starts("MONEY") || starts("CURRENCY")) field.type = ftCurrency;
    else if (starts("NUMERIC") || starts("DECIMAL")) {
        field.type = ftBCD;
        field.size = numbers.size() > 1 ? numbers[1] : 0;
    } else if (starts("BOOL")) field.type = ftBoolean;
    else if (starts("TIMESTAMP") || starts("DATETIME")) field.type = ftDateTime;
    else if (starts("DATE")) field.type = ftDate;
    else if (starts("TIME")) field.type = ftTime;
    else if (starts("BLOB")) field.type = ftBlob;
    else if (starts("CHAR") || starts("VARCHAR") || starts("CHARACTER")) {
        field.type = ftString;
        field.size = numbers.empty() ? 1 : numbers[0];
    } else field.type = ftMemo;
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
    sqlite3_prepare_v2(db.get(), "SELECT name, type, \"notnull\", pk FROM pragma_table_info(?)", -1, &statement, nullptr);
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

void dropTable(const std::filesystem::path& folder, const std::string& name, bool ifExists) {
    const std::filesystem::path path = resolveTableName(folder, name);
    if (path.empty()) {
        if (ifExists) return;
        throw EngineError(errkind::kFile, "Table \"" + name + "\" not found in " + folder.string());
    }
    for (const auto& file : driverForPath(path).familyFiles(path)) moveToTrash(file);
}

std::string unquotedName(const std::string& name) {
    if (name.size() < 2 || (name.front() != '"' && name.front() != '`' && name.front() != '[')) return name;
    std::string out = name.substr(1, name.size() - 2);
    if (name.front() == '"') out = std::regex_replace(out, std::regex("\"\""), "\"");
    return out;
}

}  // namespace

bool runTableDefinition(const std::filesystem::path& folder, const std::string& sql) {
    static const std::regex kCreate(R"(^\s*CREATE\s+TABLE\s)", std::regex::icase);
    static const std::regex kDrop(R"(^\s*DROP\s+TABLE\s+(IF\s+EXISTS\s+)?("(?:[^"]|"")*"|[^\s;]+)\s*;?\s*$)",
                                  std::regex::icase);
    std::smatch match;
    if (std::regex_search(sql, kCreate)) {
        createTable(folder, sql);
        return true;
    }
    if (std::regex_match(sql, match, kDrop)) {
        dropTable(folder, unquotedName(match[2].str()), match[1].matched);
        return true;
    }
    return false;
}

}  // namespace tabulon
