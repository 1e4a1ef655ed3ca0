#pragma once
// Rebuilds a table with a changed structure through create + copy, swapped in atomically.
#include <filesystem>
#include <string>
#include <vector>

#include "../core/FieldDef.h"
#include "../storage/StorageTable.h"
#include "DesktopTrash.h"
#include "ValueFitting.h"

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
    // The level the table is written at ("dBase IV", "4"); empty: the table's own, or the lowest
    // later one its new fields and indexes need.
    std::string version;
    // Whether the new table gets the old records; false: it is made empty.
    bool copyRecords = true;
    // A value that does not convert or does not fit its new field: false refuses the whole
    // rebuild; true empties it, or cuts a text or bytes to the field's size (as lostValues()
    // counts them).
    bool emptyLostValues = false;
};

// The structure of `table` as it is: every field fed by itself, the indexes it has.
Restructure currentStructure(const std::filesystem::path& table);

// Empty when a rebuild can write a table of `facts` at its own level; else the nearest level it
// writes, to be set as Restructure::version (Paradox 3.x: "4"; FoxBASE, FoxPro, dBase 7 and
// Visual FoxPro: "dBase IV").
std::string nearestWrittenLevel(const TableFacts& facts);

// Per field of `restructure`, the values of the table's records that its copy would empty or
// cut (see FieldFitter), in one pass over the records reporting progress of phase::kData that
// reads only the fields whose shape changes (none: no pass). Only fields with a loss are listed. Throws as
// rebuildTable() does for a field with no source.
std::vector<FieldLoss> lostValues(const std::filesystem::path& table, const Restructure& restructure);

// Builds the new family in a staging folder beside the table (records converted field by
// field, reporting progress of phase::kData), at the table's own format level or the lowest
// later one its new fields and indexes need (or Restructure::version), in its code page and
// sort order, with its block size while the level stays, with what the driver carries over of
// the old family (checks, view settings, attached index files); then swaps it in with FamilySwap and
// the replaced family goes to `trash`. A failure
// (a value that does not convert, a key violation of a new unique index) leaves the folder as
// it was and throws the EngineError naming the record. The table must not be open elsewhere.
void rebuildTable(const std::filesystem::path& table, const Restructure& restructure, const DesktopTrash& trash);

}  // namespace tabulon
