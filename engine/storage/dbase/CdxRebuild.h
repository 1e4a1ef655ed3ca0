#pragma once
// Builds a table's .CDX anew from its records, keeping what its headers say.
#include <string>
#include <vector>

#include "../../core/TextCodec.h"
#include "CdxFile.h"
#include "IndexCatalog.h"
#include "ProductionIndex.h"

namespace tabulon::dbase {

// The whole of `cdx` made again from `slots` records read through `source`: the directory and
// tag headers as they are, each tag's keys computed from its expression (a FOR clause leaves
// records out; deleted records keep their keys) in the sortable form the tag stores. Every tag
// must be usable in `catalog`. Throws ENotSupported naming a tag whose keys this build cannot
// make (date-time keys), EValueError when a key does not fit the format.
std::string rebuildCdx(const CdxFile& cdx, const IndexCatalog& catalog, const std::vector<FieldDef>& fields,
                       const TextCodec& codec, std::uint64_t slots, const RecordSource& source);

// Whether rebuildCdx() can make the keys of tag `tag`.
bool cdxKeysCanBeMade(const KeyLayout& layout);

}  // namespace tabulon::dbase
