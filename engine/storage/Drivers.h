#pragma once
// Finds the storage driver for a table type or a file name.
#include <filesystem>
#include <memory>
#include <vector>

#include "StorageTable.h"

namespace tabulon {

// The type a path's extension names: ".DB" or none Paradox, ".DBF" dBase, ".TXT" text, any
// other ttDefault. Letter case is ignored.
TableType tableTypeForPath(const std::filesystem::path& path);
// Throws EngineError(ENotSupported) when no driver handles `type`.
const StorageDriver& driverFor(TableType type);
// By extension; throws ENotSupported for an extension no driver knows.
const StorageDriver& driverForPath(const std::filesystem::path& path);
std::vector<const StorageDriver*> allDrivers();

// Finds `name` in `folder` without regard to letter case; empty when absent. Several names
// differing only in case: the exact one wins, else the first in sorted order.
std::filesystem::path findFileIgnoringCase(const std::filesystem::path& folder, const std::string& name);

// The name `member` of `table`'s family takes under the base name `newBaseName`: members are
// named <base><suffix> (CUSTOMER.X02, orders.dbt) and keep their suffix as it is.
std::string familyMemberName(const std::filesystem::path& member, const std::filesystem::path& table,
                             const std::string& newBaseName);

// Opens a table by path with the driver its extension names.
std::unique_ptr<StorageTable> openTable(const std::filesystem::path& path, const OpenOptions& options = {});

}  // namespace tabulon
