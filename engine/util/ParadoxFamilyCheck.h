#pragma once
// Checks a Paradox .DB file's own structure: header counts, the block chain, the free list,
// blocks outside both, and the key order of a keyed table; and the .MB's own blocks with the
// records' pointers into them.
#include <filesystem>

#include "Findings.h"

namespace tabulon {

// Adds what is wrong to `findings`. Returns false when nothing more can be checked (a
// password-protected table, a level 4 finding). Throws EngineError(EFormatError) when the
// header cannot be read at all. Reads only.
bool checkParadoxData(const std::filesystem::path& table, Findings& findings);

}  // namespace tabulon
