#pragma once
// Computes the keys of a production .MDX from a table's records and writes the file anew.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "../../core/TextCodec.h"
#include "DbaseExpression.h"
#include "MdxWriter.h"

namespace tabulon::dbase {

class MdxFile;

// Reads slot `slot` into `values` (one per field) and tells whether it is marked deleted.
using RecordSource = std::function<void(std::uint64_t slot, Record& values, bool& deleted)>;

// Whether a FOR clause (none: every record is in) takes the record into its tag.
bool selects(const std::optional<DbaseExpression>& condition, const ExpressionContext& record);
// A character key: the text in the table's code page, padded with blanks to `length`.
std::string characterKey(const TextCodec& codec, const std::string& text, std::size_t length);

// Computes the keys of index tags (of a production .MDX or an .NDX) from a record's values.
class TagKeys {
public:
    // Throws EValueError naming a tag whose key or FOR expression cannot be evaluated.
    TagKeys(const std::vector<MdxTagSpec>& tags, const std::vector<FieldDef>& fields, const TextCodec& codec);
    const std::vector<MdxTagSpec>& tags() const { return tags_; }
    // The key of tag `tag` for the record, or nothing when its FOR clause leaves it out.
    std::optional<MdxKey> keyOf(std::size_t tag, const ExpressionContext& record) const;
    // Whether any key or FOR clause asks for DELETED(), so marking a record changes the tags.
    bool readsDeletionMark() const { return readsDeletionMark_; }

private:
    std::vector<MdxTagSpec> tags_;
    std::vector<DbaseExpression> keys_;
    std::vector<std::optional<DbaseExpression>> conditions_;
    const TextCodec& codec_;
    bool readsDeletionMark_ = false;
};

// The tags of an index definition list, as a new production index holds them. Throws
// EValueError naming an index whose key or FOR expression cannot be built or evaluated.
std::vector<MdxTagSpec> tagSpecsFor(const std::vector<IndexDef>& indexes, const std::vector<FieldDef>& fields);
// The tags an existing production index holds.
std::vector<MdxTagSpec> tagSpecsOf(const MdxFile& mdx);
// Each tag's keys for `slots` records read through `source`, in record order. Deleted records
// keep their keys, as dBase keeps them; a tag with a FOR clause has only the records it selects.
std::vector<std::vector<MdxKey>> keysOfRecords(const TagKeys& keys, std::uint64_t slots, const RecordSource& source);
// The whole .MDX for `slots` records read through `source`. Deleted records keep their keys,
// as dBase keeps them; a tag with a FOR clause holds only the records it selects. Throws
// EValueError as buildMdx() does.
std::string buildProductionIndex(const std::string& tableName, const std::vector<MdxTagSpec>& tags,
                                 const std::vector<FieldDef>& fields, const TextCodec& codec, std::uint64_t slots,
                                 const RecordSource& source);

}  // namespace tabulon::dbase
