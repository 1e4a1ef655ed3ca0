#pragma once
// Computes the keys of a production .MDX from a table's records and writes the file anew.
#include <functional>
#include <string>
#include <vector>

#include "../../core/TextCodec.h"
#include "MdxWriter.h"

namespace tabulon::dbase {

class MdxFile;

// Reads slot `slot` into `values` (one per field) and tells whether it is marked deleted.
using RecordSource = std::function<void(std::uint64_t slot, Record& values, bool& deleted)>;

// The tags of an index definition list, as a new production index holds them. Throws
// EValueError naming an index whose expression cannot be built or evaluated, ENotSupported for
// one with a FOR clause.
std::vector<MdxTagSpec> tagSpecsFor(const std::vector<IndexDef>& indexes, const std::vector<FieldDef>& fields);
// The tags an existing production index holds.
std::vector<MdxTagSpec> tagSpecsOf(const MdxFile& mdx);
// The whole .MDX for `slots` records read through `source`. Deleted records keep their keys,
// as dBase keeps them. Throws EValueError as buildMdx() does.
std::string buildProductionIndex(const std::string& tableName, const std::vector<MdxTagSpec>& tags,
                                 const std::vector<FieldDef>& fields, const TextCodec& codec, std::uint64_t slots,
                                 const RecordSource& source);

}  // namespace tabulon::dbase
