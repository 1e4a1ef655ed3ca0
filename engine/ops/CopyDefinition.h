#pragma once
// The definition of the table a copy creates from its source.
#include <string>
#include <utility>
#include <vector>

#include "../storage/StorageTable.h"

namespace tabulon {

struct CopyDefinition {
    std::vector<FieldDef> fields;  // in the source's field order
    std::vector<IndexDef> indexes;
    CreateOptions options;
    std::vector<std::pair<std::string, std::string>> renamed;  // source name, new name
};

// Contract: with `keep` (a copy into the source's own format) the fields, usable indexes,
// level, code page, sort order and block size stay as they are. Otherwise each field becomes
// `destination`'s nearest one (no indexes, the format's default level), and a dBase number fed
// by floating-point or BCD values is made as wide as the source's values need, so no digit is
// lost where the format allows. Either way field names are made unique within the
// destination's name limit, counted in bytes of its code page: cut, then numbered
// ("FEED_HAL_2"); every change is in `renamed`.
// The code page is `encoding`, or else the source's where the destination's format has it.
// Reads the source (a pass over its records for the number widths). Throws the drivers'
// EValueError for a field with no counterpart. One thread.
// Gives each field a name no earlier one has, within the name limit of tables of `type` counted
// in bytes of code page `encoding` (empty: the drivers' default): cut, then numbered.
void makeNamesUnique(std::vector<FieldDef>& fields, TableType type, const std::string& encoding);

CopyDefinition copyDefinition(StorageTable& source, const StorageDriver& destination, bool keep,
                              const std::string& encoding);

}  // namespace tabulon
