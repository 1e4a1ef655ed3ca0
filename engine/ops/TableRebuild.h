#pragma once
// Rebuilds a table with a changed structure through create + copy, swapped in atomically.
#include <filesystem>
#include <string>
#include <vector>

#include "../core/FieldDef.h"
#include "DesktopTrash.h"

namespace tabulon {

// One field of the rebuilt table and the field of the old table that feeds it.
struct RestructuredField {
    FieldDef field;
    std::string from;  // the old field's name; empty: a new field, left empty in every record
};

struct Restructure {
    std::vector<RestructuredField> fields;
    std::vector<IndexDef> indexes;  // a Paradox primary index first
    // Writes the result to this table of the same folder (base name, or file name of the same
    // format), leaving the original as it was; empty: the table itself is replaced.
    std::string saveAs;
    // Index files attached to the table (a dBase table's .NDX, by file name): those whose key
    // fields remain are rebuilt for the new records under the same names, the others go with
    // the old family. Ignored with a save-as, since they stay the original's.
    std::vector<std::string> indexFiles;
};

// The structure of `table` as it is: every field fed by itself, the indexes it has.
Restructure currentStructure(const std::filesystem::path& table);

// Builds the new family in a staging folder beside the table (records converted field by
// field, reporting progress of phase::kData), at the table's own format level or the lowest
// later one its new fields and indexes need, with what the driver carries over of the old
// family (checks, view settings, attached index files); then swaps it in with FamilySwap and
// the replaced family goes to `trash`. A failure
// (a value that does not convert, a key violation of a new unique index) leaves the folder as
// it was and throws the EngineError naming the record. The table must not be open elsewhere.
void rebuildTable(const std::filesystem::path& table, const Restructure& restructure, const DesktopTrash& trash);

}  // namespace tabulon
