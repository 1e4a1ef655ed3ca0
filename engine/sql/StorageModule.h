#pragma once
// The SQLite virtual-table module that shows a table file of the engine as an SQL table.
#include <sqlite3.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "../core/EngineError.h"
#include "../storage/StorageTable.h"

namespace tabulon {

struct StorageVTab;

// What the module shares with the connection that registered it.
struct StorageModuleContext {
    // The tables made through the module and not yet dropped.
    std::vector<StorageVTab*> tables;
    // Where the module leaves an engine error that SQLite can only carry as text, so that the
    // statement's caller rethrows it with its kind.
    std::optional<EngineError> error;
    // The session the connection's writes lock tables for.
    std::string session;
};

inline constexpr const char* kStorageModuleName = "tabulon_storage";

// Registers the module on `db`. Tables are made with
//   CREATE VIRTUAL TABLE temp."NAME" USING tabulon_storage('/path/to/TABLE.DB')
// and read the file through its driver. Equality on the first field of an index, and ranges
// on a non-text first field of an ascending case-sensitive index, are answered through the
// index instead of a scan. While statements run, each table is locked for shared use in the
// context's session as a dataset table is, so a table open exclusively elsewhere refuses them
// with ETableBusy naming the holder. A writing statement reopens the files for writing at its
// start. `context` outlives `db`. Same thread as `db`.
void registerStorageModule(sqlite3* db, StorageModuleContext& context);

// What the module's table over the file `path` can do; none when no table shows that file.
std::optional<TableCapabilities> storageTableCapabilities(const StorageModuleContext& context,
                                                          const std::filesystem::path& path);
// The live records of that table; EUsageError when it is not open.
std::uint64_t storageTableRecordCount(const StorageModuleContext& context, const std::filesystem::path& path);

// Between statements the module's tables keep their files open but not locked (see
// StorageTable::suspendUse), so they keep no one from opening them exclusively; a statement
// resumes them all first. Resuming throws ETableBusy, leaving every table suspended, when one
// is open exclusively elsewhere now.
void suspendStorageTables(StorageModuleContext& context);
void resumeStorageTables(StorageModuleContext& context);

}  // namespace tabulon
