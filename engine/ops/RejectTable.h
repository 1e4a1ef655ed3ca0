#pragma once
// One of a batch move's side tables (key violations, problems, changed records): a Paradox
// table with the fields of the records it receives, created on the first record.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../core/FieldDef.h"
#include "../storage/StorageTable.h"

namespace tabulon {

class TableDefinitions;

// Where a side table named `name` lies: a name without folder in `folder`, a name without
// extension a Paradox table.
std::filesystem::path sideTablePath(const std::string& name, const std::filesystem::path& folder);

// Contract: add() creates the table at its first record, replacing an earlier one of that name
// (which goes to the trash), and writes every record on its own, outside the move's
// transaction, so what was rejected stays recorded when the move rolls back. Its fields are the
// source's own, mapped to Paradox, and so is its code page where Paradox has it, so every
// source record fits. Throws the drivers' errors.
// One thread.
class RejectTable {
public:
    // `name` empty: records are only counted. A name without folder lies in `folder`. `source`
    // is the table whose records it receives.
    RejectTable(const std::string& name, const std::filesystem::path& folder, const StorageTable& source,
                const TableDefinitions& definitions);

    void add(const Record& record);
    std::uint64_t count() const { return count_; }

private:
    std::filesystem::path path_;
    std::vector<FieldDef> fields_;
    CreateOptions options_;
    const TableDefinitions& definitions_;
    std::unique_ptr<StorageTable> table_;
    std::uint64_t count_ = 0;
};

}  // namespace tabulon
