#pragma once
// Checks a .DBF file's own structure: the header against the file size and the fields, the
// deletion flag of every record, the end-of-file marker.
#include <filesystem>

#include "Findings.h"

namespace tabulon {

// Adds what is wrong to `findings`. Returns false when nothing more can be checked (a level 4
// finding). Throws EngineError(EFormatError) when the file is no dBase table at all. Reads only.
bool checkDbaseFile(const std::filesystem::path& table, Findings& findings);

}  // namespace tabulon
