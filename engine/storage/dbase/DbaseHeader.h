#pragma once
// The header of a .DBF file: counts, lengths, flags and the layout of every field.
#include <cstdint>
#include <string>
#include <vector>

#include "../../core/FieldDef.h"
#include "DbaseDialect.h"
#include "DbaseFieldTypes.h"

namespace tabulon {
class PagedFile;
}

namespace tabulon::dbase {

// Where and how one field lies in a record.
struct FieldLayout {
    FieldDef def;         // name still empty: names decode with the table's code page
    std::string rawName;  // the name's bytes up to the first NUL
    char letter = 'C';
    Storage storage = Storage::Text;
    std::uint32_t offset = 0;  // from the record's start (the deletion flag is byte 0)
    std::uint32_t length = 0;
    int decimals = 0;
    std::uint8_t flags = 0;  // Visual FoxPro field flags
    int nullBit = -1;        // Visual FoxPro: the _NullFlags bit that marks the value null
    int varLengthBit = -1;   // Visual FoxPro: the bit that says the length is in the last byte
    bool hidden = false;     // _NullFlags: kept out of the field list
    bool readable = true;    // false: the bytes lie outside the record or fit no layout
    bool hasTag = false;     // the production index holds a tag on it
    std::uint32_t autoIncrementNext = 0;
    std::uint8_t autoIncrementStep = 0;
};

// Something wrong in the header; `damage` marks what a strict open refuses.
struct HeaderProblem {
    std::string message;
    bool damage = true;
};

struct DbaseHeader {
    static constexpr std::uint8_t kTerminator = 0x0D;
    static constexpr std::uint8_t kLiveFlag = ' ';
    static constexpr std::uint8_t kDeletedFlag = '*';
    static constexpr std::uint8_t kEndOfFile = 0x1A;
    static constexpr std::size_t kBacklinkSize = 263;  // Visual FoxPro's database container path

    std::uint8_t version = 0x03;
    Dialect dialect = Dialect::DBase3;
    std::uint8_t updateYear = 0, updateMonth = 0, updateDay = 0;
    std::uint32_t recordCount = 0;      // as the header says
    std::uint32_t readableRecords = 0;  // whole records the file holds, at most recordCount
    std::uint16_t headerLength = 0;
    std::uint16_t recordLength = 0;
    std::uint8_t tableFlags = 0;
    std::uint8_t languageDriver = 0;
    std::string languageDriverName;   // dBase 7 only
    std::vector<FieldLayout> fields;  // hidden ones included, in record order
    int nullFlagsField = -1;          // index in `fields`, or -1
    std::vector<HeaderProblem> problems;

    bool hasMemoFields() const;
    std::size_t descriptorSize() const { return dialect == Dialect::DBase7 ? 48 : 32; }
    std::size_t descriptorStart() const { return dialect == Dialect::DBase7 ? 68 : 32; }
};

// Reads and checks the header of `file`. Every number is checked against the file size; what
// does not fit becomes a problem and the header is mended so that reading stays inside the
// file. Throws EngineError(EFormatError) naming the file when it is no dBase table at all.
DbaseHeader readHeader(const PagedFile& file);

}  // namespace tabulon::dbase
