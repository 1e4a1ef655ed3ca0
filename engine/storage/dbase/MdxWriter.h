#pragma once
// Builds a whole production .MDX file from its tag definitions and keys.
#include <cstdint>
#include <string>
#include <vector>

#include "../StorageTable.h"

namespace tabulon::dbase::mdx {
// Where a tag header keeps its FOR clause: a flag and the NUL-terminated text. Not in any
// verified description; this is the layout the open-source xBase libraries use.
inline constexpr std::size_t kHasForClause = 245;
inline constexpr std::size_t kForClause = 762;
inline constexpr std::size_t kExpressionRoom = 220;
}  // namespace tabulon::dbase::mdx

namespace tabulon::dbase {

struct MdxTagSpec {
    std::string name;  // at most 10 characters
    std::string expression;
    char keyType = 'C';         // 'C', 'N' or 'D'
    std::size_t keyLength = 0;  // C: the expression's width (1-100); N: 12; D: 8
    bool descending = false;
    bool unique = false;
    bool fieldKey = false;  // the expression is a plain field name
    std::string condition;  // FOR clause, else empty
};

// One key: C keys as code-page bytes padded with blanks to the key length; N and D keys as
// numbers (D: Julian day numbers).
struct MdxKey {
    std::string bytes;
    double number = 0;
    RecordId record = 0;
};

// The file's bytes: header, tag table (tags linked in name order) and for each tag its header
// and a B-tree of 1024-byte blocks built from the keys, which it sorts (equal keys by record
// number; a unique tag keeps the first record of each key). Throws EValueError naming a tag
// whose key length or name does not fit the format.
std::string buildMdx(const std::string& tableName, const std::vector<MdxTagSpec>& tags,
                     std::vector<std::vector<MdxKey>> keys);

// The key as a tag's entries store it.
std::string mdxKeyBytes(const MdxTagSpec& tag, const MdxKey& key);

// 12-byte packed decimal key for `value` in a field `width` wide.
std::string encodeBcdKey(double value, int width);

}  // namespace tabulon::dbase
