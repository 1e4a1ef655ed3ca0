#pragma once
// Rebuilds a damaged table from every record the tolerant reader can read.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "../core/FieldDef.h"
#include "../ops/DesktopTrash.h"

namespace tabulon {

// Names of the tables a rebuild writes beside the table (a name without extension takes the
// table's own; side tables are Paradox tables).
struct SalvageNames {
    std::string backup = "Backup.Db";          // the original family, kept as it was
    std::string keyViolations = "KEYVIOL.DB";  // records the rebuilt keys refuse
    std::string problems = "PROBLEM.DB";       // records that cannot be decoded: their bytes
};

struct SalvageStructure {
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;  // a Paradox primary index first
};

struct SalvageResult {
    std::uint64_t salvaged = 0;       // records in the rebuilt table
    std::uint64_t keyViolations = 0;  // records moved to the key-violation table
    std::uint64_t problems = 0;       // records moved, as bytes, to the problem table
    std::uint64_t lost = 0;           // records out of the reader's reach (Findings::unreachable)
    // The index files asked for that the rebuilt table does not have (see salvageTable()).
    std::vector<std::string> indexFilesNotRebuilt;
};

// Builds a fresh table of `structure` (unset: the table's own), level, code page, sort order
// and block size in the staging folder, with every live record read from the damaged one; a
// copy of the original family goes beside it under the backup name. Both are swapped in at
// once (FamilySwap), so a crash leaves either the old table or the new one with its backup;
// the family replaced and an earlier backup go to `trash`. The side tables are written as
// records meet them, replacing earlier ones (to the trash). Throws EngineError when the table
// cannot be opened or the new one cannot be built; the table is then as it was. Reports
// progress of phase::kRebuild.
//
// `indexFiles` names .NDX files beside the table, which are not of its family: each is rebuilt
// for the new records under its own name and swapped in with the family, and the backup keeps a
// copy of it named <backup base>_<name> (Backup_BYNAME.NDX; an earlier copy of that name goes to
// the trash). One that cannot be rebuilt (missing, unreadable, or its key names a field that is
// gone) leaves the folder with the old family, its copy staying with the backup, and is listed
// in indexFilesNotRebuilt. Throws EValueError for a name that is no .NDX file, ENotSupported
// for a format without index files, EFileError when a backup copy's name is one of the files
// rebuilt.
SalvageResult salvageTable(const std::filesystem::path& table, const SalvageNames& names,
                           const std::optional<SalvageStructure>& structure, const DesktopTrash& trash,
                           const std::vector<std::string>& indexFiles = {});

}  // namespace tabulon
