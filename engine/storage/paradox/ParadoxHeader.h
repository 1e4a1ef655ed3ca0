#pragma once
// The header shared by every Paradox data and index file (.DB, .PX, .Xnn/.Ynn, .XGn/.YGn).
#include <cstdint>
#include <string>
#include <vector>

#include "ParadoxFieldType.h"

namespace tabulon {
class PagedFile;
}

namespace tabulon::paradox {

// Header byte 0x04.
enum class FileKind : std::uint8_t {
    KeyedTable = 0,
    PrimaryIndex = 1,
    UnkeyedTable = 2,
    SecondaryStatic = 3,      // .Xnn not kept up to date on changes
    SecondaryIndexTree = 4,   // .Ynn
    SecondaryMaintained = 5,  // .Xnn
    CompositeStatic = 6,      // .XGn not kept up to date
    CompositeIndexTree = 7,   // .YGn
    CompositeMaintained = 8,  // .XGn
};

struct ParadoxField {
    std::string name;  // in the table's code page, as stored
    ParadoxFieldType type;
    int sizeByte = 0;  // the descriptor's size byte
    int bytes = 0;     // bytes in a record
    int offset = 0;    // from the start of the record
};

struct ParadoxHeader {
    // Header offsets a writer updates in place.
    static constexpr int kRecordCount = 0x06, kBlocksInUse = 0x0A, kBlocksInFile = 0x0C, kFirstBlock = 0x0E,
                         kLastBlock = 0x10, kRootBlock = 0x1E, kLevels = 0x20, kChangeCounter = 0x2D,
                         kIndexChangeCopy = 0x2C, kAutoIncrement = 0x49, kFirstFree = 0x4D;

    std::vector<std::uint8_t> raw;  // the whole header as read (or as a writer built it)
    int recordSize = 0;
    int headerSize = 0;
    FileKind kind = FileKind::UnkeyedTable;
    int blockSize = 0;  // bytes
    std::uint32_t recordCount = 0;
    int blocksInUse = 0, blocksInFile = 0, firstBlock = 0, lastBlock = 0;
    int firstIndexedField = 0;  // .X files: 0x15
    int rootBlock = 0, indexLevels = 0;
    int keyFieldCount = 0;
    std::uint32_t encryption = 0;
    int sortOrderId = 0;
    int versionByte = 0;
    std::uint32_t autoIncrement = 0;
    int firstFreeBlock = 0;
    int indexFlags = 0;  // .X files: 0x55
    int codePage = 0;    // 0 when the level has none
    std::vector<ParadoxField> fields;
    std::vector<std::uint16_t> fieldNumbers;  // level 4+ .DB/.X
    std::string tableName;
    std::size_t tableNameOffset = 0;  // where its NUL-padded slot starts in the header
    std::size_t tableNameSlot = 0;    // the slot's size in bytes
    std::string sortOrderName;        // level 4+ .DB/.X
    std::string indexName;            // .XGn

    bool isTable() const { return kind == FileKind::KeyedTable || kind == FileKind::UnkeyedTable; }
    bool isIndexTree() const;      // .PX, .Ynn, .YGn: no field names, no level 4 block
    bool isSecondaryData() const;  // .Xnn, .XGn
    bool hasLevel4Block() const { return versionByte >= 5 && !isIndexTree(); }
    // "3.0", "3.5", "4", "5", "7".
    std::string level() const;
    std::uint64_t blockOffset(int block) const {
        return static_cast<std::uint64_t>(headerSize) + static_cast<std::uint64_t>(block - 1) * blockSize;
    }

    // Parses and checks the header of `file` against its size. Throws EFormatError naming the
    // file and the fault. Any thread; reads `file` only.
    static ParadoxHeader read(const PagedFile& file);
    // Parses a whole header (raw.size() is its size); throws as read() does.
    static ParadoxHeader parse(std::vector<std::uint8_t> raw, const std::string& fileName);
    // Writes the counters above (record count ... first free block) back into `raw`.
    void storeCounters();
};

}  // namespace tabulon::paradox
