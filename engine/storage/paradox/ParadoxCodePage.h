#pragma once
// Which code page a Paradox table's text is in.
#include <string>

#include "ParadoxHeader.h"

namespace tabulon::paradox {

// The TextCodec name for a table: `override` when given; level 4+ the header's code page (or,
// when that is 0, the one its sort order implies); level 3 tables have no code-page field, so
// their sort order hints at the DOS code page, 437 by default.
std::string paradoxCodePageName(const ParadoxHeader& header, const std::string& override);
// The code page the header states: its code-page field, or a sort order of one code page only
// (Roman-8); empty when it states none, as a level 3 table's sort order only hints.
std::string paradoxNamedCodePage(const ParadoxHeader& header);
// The sort order name and id a new table in `codePage` gets.
struct ParadoxSortOrder {
    std::string name;
    int id = 0;
};
// `named` when it is a sort order of that code page (letter case ignored), else the default one.
ParadoxSortOrder paradoxSortOrderFor(int codePage, const std::string& named = {});

}  // namespace tabulon::paradox
