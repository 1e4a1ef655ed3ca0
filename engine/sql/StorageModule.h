#pragma once
// The SQLite virtual-table module that shows a table file of the engine as an SQL table.
#include <sqlite3.h>

#include <optional>

#include "../core/EngineError.h"

namespace tabulon {

// Where the module leaves an engine error that SQLite can only carry as text, so that the
// statement's caller rethrows it with its kind.
struct EngineErrorSlot {
    std::optional<EngineError> error;
};

inline constexpr const char* kStorageModuleName = "tabulon_storage";

// Registers the module on `db`. Tables are made with
//   CREATE VIRTUAL TABLE temp."NAME" USING tabulon_storage('/path/to/TABLE.DB')
// and read the file through its driver. Equality on the first field of an index, and ranges
// on a non-text first field of an ascending case-sensitive index, are answered through the
// index instead of a scan. `slot` outlives `db`. Same thread as `db`.
void registerStorageModule(sqlite3* db, EngineErrorSlot& slot);

}  // namespace tabulon
