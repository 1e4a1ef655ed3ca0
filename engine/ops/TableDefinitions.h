#pragma once
// Creating, renaming and emptying whole tables by path, outside any open dataset.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../core/FieldDef.h"
#include "../core/FieldType.h"
#include "../storage/StorageTable.h"
#include "DesktopTrash.h"
#include "TableRebuild.h"

namespace tabulon {

// Contract: every call works on closed tables and takes the table's exclusive lock while it
// runs, so a table open elsewhere is refused with ETableBusy. Errors are EngineError naming the
// table: EFileError, ENotSupported for an unknown type, the drivers' errors. A table that
// existed is never destroyed: create() sends the family it replaces to `trash`. One thread at a
// time per table.
class TableDefinitions {
public:
    explicit TableDefinitions(DesktopTrash trash = DesktopTrash());
    const DesktopTrash& trash() const { return trash_; }

    // Creates the table at `path` (type ttDefault: by its extension), replacing a table of that
    // name (letter case ignored): the old family goes to the trash first.
    void create(const std::filesystem::path& path, TableType type, const std::vector<FieldDef>& fields,
                const std::vector<IndexDef>& indexes, const CreateOptions& options = {}) const;
    // Gives the family of the table at `path` the new name in its folder: `newName` is the base
    // name ("R2"), or the file name with the table's extension ("R2.DBF", letter case ignored).
    // Refused, changing nothing, when any target name exists.
    void rename(const std::filesystem::path& path, const std::string& newName) const;
    // Removes every record; indexes and memo file emptied; the structure stays.
    void empty(const std::filesystem::path& path) const;
    // Adds `index` to the table at `path`: a dBase production-index tag (an expression tag when
    // `index.expression` is set), a Paradox secondary index, or a Paradox primary index (option
    // ixPrimary; the table must have none). The table is rebuilt beside the old and swapped in;
    // the old family goes to the trash. EValueError for a name in use; EKeyViolation when a
    // unique index meets duplicate keys, leaving the table as it was. `indexFiles` names the
    // index files attached to the table (a dBase table's .NDX), rebuilt and kept.
    void addIndex(const std::filesystem::path& path, const IndexDef& index,
                  const std::vector<std::string>& indexFiles = {}) const;
    // Deletes the index named `name` (letter case ignored; a Paradox primary index: its name is
    // empty or "PRIMARY"), as addIndex() does. EValueError when there is no such index.
    void deleteIndex(const std::filesystem::path& path, const std::string& name,
                     const std::vector<std::string>& indexFiles = {}) const;
    // Rebuilds the table with `restructure`'s fields and indexes (see TableRebuild.h).
    void restructure(const std::filesystem::path& path, const Restructure& restructure) const;
    // Sends every file of the table's family to the trash.
    void trashFamily(const std::filesystem::path& path) const;

private:
    DesktopTrash trash_;
};

// The existing table at `path` (letter case ignored), or EFileError naming it when absent. A
// swap of its folder that a killed process left half done is finished first.
std::filesystem::path existingTable(const std::filesystem::path& path);
// Opens an existing table for exclusive writing.
std::unique_ptr<StorageTable> openExclusive(const std::filesystem::path& path);

}  // namespace tabulon
