#pragma once
// An index file of the dBase family (.NDX, .MDX, .CDX): its tags and their keys in order.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "../../io/PagedFile.h"
#include "../StorageTable.h"

namespace tabulon::dbase {

// How a tag's key bytes compare.
enum class KeyType { Character, Numeric, Date, DateTime };

// How the file stores numbers and dates in keys.
enum class KeyEncoding {
    Raw,             // character bytes
    LittleDouble,    // .NDX: IEEE double (dates as Julian day numbers)
    Bcd,             // .MDX N keys: 12-byte packed decimal
    MdxDouble,       // .MDX D keys: IEEE double, Julian day numbers
    SortableDouble,  // .CDX: big-endian double with sign bit flipped
    SortableInt32,   // .CDX integer fields
};

enum class IndexFormat { Ndx, Mdx, Cdx };

// One entry: the key bytes (character keys, padded with blanks) or its number, and the record.
struct IndexEntry {
    std::string key;
    double number = 0;
    RecordId record = 0;
};

// One tag as the file describes it. `def.usable` is decided by the table, which can evaluate
// the expression.
struct IndexTag {
    IndexDef def;
    std::uint64_t header = 0;  // where the tag's header lies (file offset)
    std::size_t keyLength = 0;
    char typeLetter = 0;  // .MDX: 'C', 'N' or 'D'; .NDX: 'C' or 'N'; .CDX: 0 (the expression decides)
    bool descending = false;
};

// Whether a tag has a key for every record: one with a FOR clause holds those it selects, a
// unique one the first record of each key.
inline bool tagHoldsEveryRecord(const IndexDef& tag) { return tag.condition.empty() && !(tag.options & ixUnique); }

// Where a tag's B-tree keeps things, for cursors that walk its pages. Offsets are in bytes,
// page numbers count 512-byte pages.
struct TreeShape {
    const PagedFile* file = nullptr;
    std::uint64_t rootAt = 0;  // the file offset of the root's page number
    std::size_t nodeSize = 0;
    std::size_t entriesAt = 0;  // the first entry within a node, after its count
    std::size_t entryLength = 0;
    std::size_t keyAt = 0;     // the key within an entry (a branch's child pointer is at 0)
    std::size_t recordAt = 0;  // a leaf entry's record number within the entry
    std::size_t keyLength = 0;
    bool ndx = false;  // NDX: a leaf's entries have no child; MDX: nothing follows a leaf's last entry
};

// Reads tag definitions at open and a tag's entries on demand. Every page number and count read
// from the file is checked against its size, and walks stop at pages already seen, so a damaged
// file ends in EngineError(EFormatError) naming it, never in a loop. One thread at a time.
class IndexFile {
public:
    virtual ~IndexFile() = default;
    virtual IndexFormat format() const = 0;
    virtual const std::filesystem::path& path() const = 0;
    virtual const std::vector<IndexTag>& tags() const = 0;
    // The tag's entries in index order; keys decoded with `encoding` into IndexEntry::number
    // unless Raw. `prefixBytes` leading key bytes (a null marker) are skipped.
    virtual std::vector<IndexEntry> load(std::size_t tag, KeyEncoding encoding, std::size_t prefixBytes) const = 0;
    // The tag's tree, when its pages can be walked one at a time.
    virtual std::optional<TreeShape> treeShape(std::size_t) const { return std::nullopt; }
    // Tags left out because their headers are damaged, each with its reason.
    const std::vector<std::string>& skipped() const { return skipped_; }

protected:
    std::vector<std::string> skipped_;
};

}  // namespace tabulon::dbase
