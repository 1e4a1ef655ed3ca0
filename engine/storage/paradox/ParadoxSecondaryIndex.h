#pragma once
// A secondary index of a Paradox table as its .Xnn/.XGn header describes it.
#include <filesystem>
#include <vector>

#include "../../core/FieldDef.h"
#include "ParadoxHeader.h"
#include "ProblemLog.h"

namespace tabulon::paradox {

struct ParadoxSecondaryIndex {
    IndexDef definition;
    std::filesystem::path dataPath;  // .Xnn / .XGn
    ParadoxHeader header;            // of the .X file
    std::vector<int> tableFields;    // positions (0-based) of the indexed fields in the table
    std::vector<bool> descending;    // per indexed field
    bool maintained = false;         // kept up to date by every writer (file types 5 and 8)

    // "C.Y02" for "C.X02", "a.yg0" for "a.xg0": the index tree beside the index data.
    static std::string treeFileName(const std::string& dataFileName);

    // Finds the .Xnn/.XGn files of `table` (letter case ignored) and reads their headers; an
    // index whose header cannot be used is listed with usable = false and reported.
    static std::vector<ParadoxSecondaryIndex> discover(const std::filesystem::path& table,
                                                       const ParadoxHeader& tableHeader,
                                                       const std::vector<FieldDef>& tableFields, ProblemLog& problems);
};

}  // namespace tabulon::paradox
