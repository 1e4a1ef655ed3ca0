#include "ParadoxHeader.h"

#include "../../core/EngineError.h"
#include "../../io/PagedFile.h"
#include "ParadoxBytes.h"

namespace tabulon::paradox {

namespace {
constexpr int kFixedPart = 0x58;
constexpr int kLevel4Part = 0x78;
constexpr int kMaxFields = 255;
constexpr int kMaxBlockKiB = 32;

// Reads the variable part sequentially; running past the header is damage.
class HeaderReader {
public:
    HeaderReader(const std::vector<std::uint8_t>& raw, std::string fileName)
        : raw_(raw), fileName_(std::move(fileName)) {}

    void seek(std::size_t pos, const char* what) {
        if (pos > raw_.size()) fail(what);
        pos_ = pos;
    }
    const std::uint8_t* take(std::size_t n, const char* what) {
        if (n > raw_.size() - pos_) fail(what);
        const std::uint8_t* p = raw_.data() + pos_;
        pos_ += n;
        return p;
    }
    // A NUL-terminated string; `limit` bytes at most (the slot's size) when non-zero.
    std::string cString(const char* what, std::size_t limit = 0) {
        const std::size_t end = limit ? pos_ + limit : raw_.size();
        if (end > raw_.size()) fail(what);
        std::size_t stop = pos_;
        while (stop < end && raw_[stop] != 0) ++stop;
        if (!limit && stop == end) fail(what);
        std::string s(reinterpret_cast<const char*>(raw_.data() + pos_), stop - pos_);
        pos_ = limit ? end : stop + 1;
        return s;
    }
    std::size_t position() const { return pos_; }
    [[noreturn]] void fail(const char* what) const {
        throw EngineError(errkind::kFormat, fileName_ + ": the header ends inside the " + what);
    }

private:
    const std::vector<std::uint8_t>& raw_;
    std::string fileName_;
    std::size_t pos_ = 0;
};

EngineError damaged(const std::string& fileName, const std::string& what) {
    return EngineError(errkind::kFormat, fileName + ": " + what);
}
}  // namespace

bool ParadoxHeader::isIndexTree() const {
    return kind == FileKind::PrimaryIndex || kind == FileKind::SecondaryIndexTree ||
           kind == FileKind::CompositeIndexTree;
}

bool ParadoxHeader::isSecondaryData() const {
    return kind == FileKind::SecondaryStatic || kind == FileKind::SecondaryMaintained ||
           kind == FileKind::CompositeStatic || kind == FileKind::CompositeMaintained;
}

void ParadoxHeader::storeCounters() {
    std::uint8_t* f = raw.data();
    putLe32(f + kRecordCount, recordCount);
    putLe16(f + kBlocksInUse, static_cast<std::uint32_t>(blocksInUse));
    putLe16(f + kBlocksInFile, static_cast<std::uint32_t>(blocksInFile));
    putLe16(f + kFirstBlock, static_cast<std::uint32_t>(firstBlock));
    putLe16(f + kLastBlock, static_cast<std::uint32_t>(lastBlock));
    putLe16(f + kRootBlock, static_cast<std::uint32_t>(rootBlock));
    f[kLevels] = static_cast<std::uint8_t>(indexLevels);
    putLe32(f + kAutoIncrement, autoIncrement);
    putLe16(f + kFirstFree, static_cast<std::uint32_t>(firstFreeBlock));
}

std::string ParadoxHeader::level() const {
    if (versionByte <= 3) return "3.0";
    if (versionByte == 4) return "3.5";
    if (versionByte <= 9) return "4";
    if (versionByte <= 0x0B) return "5";
    return "7";
}

ParadoxHeader ParadoxHeader::read(const PagedFile& file) {
    const std::string name = file.path().filename().string();
    const std::uint64_t fileSize = file.size();
    if (fileSize < kFixedPart)
        throw damaged(name, "the file has " + std::to_string(fileSize) +
                                " bytes, too few for a Paradox header (not a Paradox table?)");
    std::vector<std::uint8_t> raw(kFixedPart);
    file.readExact(0, raw.data(), kFixedPart);
    const int headerSize = le16(raw.data() + 2);
    if (headerSize < kFixedPart || static_cast<std::uint64_t>(headerSize) > fileSize)
        throw damaged(name, "header size " + std::to_string(headerSize) + " does not fit a file of " +
                                std::to_string(fileSize) + " bytes (not a Paradox table?)");
    raw.resize(static_cast<std::size_t>(headerSize));
    file.readExact(0, raw.data(), raw.size());
    return parse(std::move(raw), name);
}

ParadoxHeader ParadoxHeader::parse(std::vector<std::uint8_t> raw, const std::string& name) {
    if (raw.size() < kFixedPart) throw damaged(name, "the header is too short");
    ParadoxHeader h;
    h.raw = std::move(raw);
    const std::uint8_t* f = h.raw.data();
    h.recordSize = le16(f);
    h.headerSize = static_cast<int>(h.raw.size());
    if (f[4] > static_cast<std::uint8_t>(FileKind::CompositeMaintained))
        throw damaged(name, "unknown file type " + std::to_string(f[4]) + " (not a Paradox table?)");
    h.kind = static_cast<FileKind>(f[4]);
    if (f[5] < 1 || f[5] > kMaxBlockKiB)
        throw damaged(name, "block size " + std::to_string(f[5]) + " KiB is outside 1 to 32 KiB");
    h.blockSize = f[5] * 1024;
    h.recordCount = le32(f + 0x06);
    h.blocksInUse = le16(f + 0x0A);
    h.blocksInFile = le16(f + 0x0C);
    h.firstBlock = le16(f + 0x0E);
    h.lastBlock = le16(f + 0x10);
    h.firstIndexedField = f[0x15];
    h.rootBlock = le16(f + 0x1E);
    h.indexLevels = f[0x20];
    const int fieldCount = static_cast<std::int16_t>(le16(f + 0x21));
    h.keyFieldCount = static_cast<std::int16_t>(le16(f + 0x23));
    h.sortOrderId = f[0x29];
    h.versionByte = f[0x39];
    h.autoIncrement = le32(f + 0x49);
    h.firstFreeBlock = le16(f + 0x4D);
    h.indexFlags = f[0x55];
    if (fieldCount < 1 || fieldCount > kMaxFields)
        throw damaged(name, "field count " + std::to_string(fieldCount) + " is outside 1 to 255");
    if (h.keyFieldCount < 0 || h.keyFieldCount > fieldCount)
        throw damaged(name, "key field count " + std::to_string(h.keyFieldCount) + " is outside 0 to " +
                                std::to_string(fieldCount));
    if (h.recordSize < 1 || h.recordSize > h.blockSize - 6)
        throw damaged(name, "record size " + std::to_string(h.recordSize) + " does not fit a block of " +
                                std::to_string(h.blockSize) + " bytes");

    h.encryption =
        h.hasLevel4Block() && h.raw.size() >= kLevel4Part ? le32(h.raw.data() + 0x5C) : le32(h.raw.data() + 0x25);

    HeaderReader in(h.raw, name);
    in.seek(h.hasLevel4Block() ? kLevel4Part : kFixedPart, "field descriptors");
    int offset = 0;
    for (int i = 0; i < fieldCount; ++i) {
        const std::uint8_t* d = in.take(2, "field descriptors");
        const auto type = paradoxFieldType(d[0]);
        if (!type)
            throw damaged(name,
                          "field " + std::to_string(i + 1) + " has the unknown type code " + std::to_string(d[0]));
        ParadoxField field;
        field.type = *type;
        field.sizeByte = d[1];
        field.bytes = paradoxRecordBytes(*type, d[1]);
        field.offset = offset;
        if (field.bytes < 1 || (type->blob && field.bytes < 10))
            throw damaged(name, "field " + std::to_string(i + 1) + " has the impossible size " + std::to_string(d[1]));
        offset += field.bytes;
        h.fields.push_back(field);
    }
    // Index tree entries carry a block number, a count and an unused short after the key.
    const int entryTail = h.isIndexTree() ? 6 : 0;
    if (offset + entryTail != h.recordSize)
        throw damaged(name, "the fields take " + std::to_string(offset + entryTail) + " bytes but the record size is " +
                                std::to_string(h.recordSize));
    in.take(4, "table name pointer");
    if (!h.isIndexTree()) in.take(4 * static_cast<std::size_t>(fieldCount), "field pointers");
    h.tableNameOffset = in.position();
    h.tableNameSlot = h.versionByte >= 0x0C ? 261 : 79;
    h.tableName = in.cString("table name", h.tableNameSlot);
    if (!h.isIndexTree())
        for (auto& field : h.fields) field.name = in.cString("field names");
    if (h.hasLevel4Block()) {
        h.codePage = le16(h.raw.data() + 0x6A);
        in.seek(kFixedPart + le16(h.raw.data() + 0x66), "field number list");
        for (int i = 0; i < fieldCount; ++i) h.fieldNumbers.push_back(le16(in.take(2, "field number list")));
        in.seek(kFixedPart + le16(h.raw.data() + 0x6E), "sort order name");
        h.sortOrderName = in.cString("sort order name");
        if (h.kind == FileKind::CompositeStatic || h.kind == FileKind::CompositeMaintained)
            h.indexName = in.cString("index name");
    }
    return h;
}

}  // namespace tabulon::paradox
