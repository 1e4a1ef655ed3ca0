#pragma once
// Verifies a Paradox or dBase table against itself: its files' structure, every record, every
// index against the records.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "Findings.h"

namespace tabulon {

// Phases of the progress reports a verification sends (Progress.h; data is phase::kData).
namespace verifyphase {
inline constexpr int kHeader = 0;
inline constexpr int kIndexes = 1;
}  // namespace verifyphase

struct VerifyReport {
    int level = verifylevel::kSound;
    std::vector<Finding> findings;
    std::uint64_t readableRecords = 0;  // live records the tolerant reader reads whole
};

// Checks the structure of the table's own file (.DB or .DBF) alone, adding to `findings`; false
// when nothing more can be checked. Throws EngineError when its header cannot be read.
bool checkTableFile(const std::filesystem::path& table, Findings& findings);

// Reads every file of the table's family and changes none. Never throws for what it finds in
// the files: a table it cannot open is level 4, one it could not go through to the end level 2
// with the place where it stopped. The format comes from the file's extension. `indexFiles`
// names index files beside the table that are not of its family (a dBase table's .NDX files):
// each is checked as the family's indexes are, and one that cannot be read is a level 1
// finding. Where the driver's cursor walks an index as its file stores it (dBase tags), the
// walk checks the key order too. Reports progress of the phases above and phase::kData to this
// thread's callback.
VerifyReport verifyTable(const std::filesystem::path& table, const std::vector<std::string>& indexFiles = {});

}  // namespace tabulon
