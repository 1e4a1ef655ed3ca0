#pragma once
// Lays out and writes the files of a new dBase table.
#include <filesystem>
#include <vector>

#include "../StorageTable.h"

namespace tabulon::dbase {

// The dBase field nearest to `source`: its letter in nativeType, its width and decimals.
// Throws EngineError(EValueError) naming the field when dBase holds nothing like it.
FieldDef nearestDbaseField(const FieldDef& source);

// Writes a new, empty table at `path` (with a .DBT when a field needs one) in one commit.
// Versions: "dBase IV" (the default; also "4") and "dBase III" ("3"). Indexes go into a
// production .MDX. Throws EFileError when one of its files exists, EValueError naming a field
// or index that cannot be laid out, ENotSupported for another version, for a code page without
// a language driver byte, or for indexes on a dBase III table.
void createDbaseFiles(const std::filesystem::path& path, const std::vector<FieldDef>& fields,
                      const std::vector<IndexDef>& indexes, const CreateOptions& options);

}  // namespace tabulon::dbase
