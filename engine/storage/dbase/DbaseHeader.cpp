#include "DbaseHeader.h"

#include <algorithm>
#include <cstring>

#include "../../core/EngineError.h"
#include "../../io/PagedFile.h"
#include "ByteOrder.h"

namespace tabulon::dbase {

namespace {
constexpr std::size_t kMainHeaderSize = 32;
constexpr std::size_t kMaxHeaderBytes = 65536;  // the header length is a u16

std::string fileName(const PagedFile& file) { return file.path().filename().string(); }

std::string hexByte(std::uint8_t b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[b >> 4] + kDigits[b & 15];
}

// Reads one descriptor slot into a layout; false when the slot ends the list.
FieldLayout parseDescriptor(const std::uint8_t* slot, Dialect dialect) {
    FieldLayout f;
    const bool level7 = dialect == Dialect::DBase7;
    const std::size_t nameSize = level7 ? 32 : 11;
    const auto* nameEnd = static_cast<const std::uint8_t*>(std::memchr(slot, 0, nameSize));
    f.rawName.assign(reinterpret_cast<const char*>(slot),
                     nameEnd ? static_cast<std::size_t>(nameEnd - slot) : nameSize);
    f.letter = static_cast<char>(slot[level7 ? 32 : 11]);
    f.length = slot[level7 ? 33 : 16];
    f.decimals = slot[level7 ? 34 : 17];
    if (level7) {
        f.hasTag = slot[37] == 0x01;
        f.autoIncrementNext = le32(slot + 40);
    } else {
        f.flags = slot[18];
        f.hasTag = slot[31] == 0x01;
        if (dialect == Dialect::VisualFoxPro) {
            f.autoIncrementNext = le32(slot + 19);
            f.autoIncrementStep = slot[23];
        }
    }
    return f;
}

// C fields longer than 255 keep the high byte of their length in the decimal count; only the
// record length tells whether a writer meant that.
void applyWideCharacterLengths(DbaseHeader& h) {
    std::uint64_t plain = 1, wide = 1;
    bool anyWide = false;
    for (const FieldLayout& f : h.fields) {
        plain += f.length;
        if (f.letter == 'C' && f.decimals > 0) {
            wide += f.length + 256u * static_cast<unsigned>(f.decimals);
            anyWide = true;
        } else {
            wide += f.length;
        }
    }
    if (!anyWide || plain == h.recordLength || wide != h.recordLength) return;
    for (FieldLayout& f : h.fields)
        if (f.letter == 'C' && f.decimals > 0) {
            f.length += 256u * static_cast<unsigned>(f.decimals);
            f.decimals = 0;
        }
}

void assignTypes(DbaseHeader& h) {
    std::uint32_t offset = 1;
    int nextBit = 0;
    for (std::size_t i = 0; i < h.fields.size(); ++i) {
        FieldLayout& f = h.fields[i];
        const std::string label = "field " + std::to_string(i + 1) + " (" + f.rawName + ")";
        f.offset = offset;
        offset += f.length;
        const auto mapping = mappingFor(f.letter, h.dialect);
        if (!mapping) {
            h.problems.push_back(
                {label + " has the unknown type letter '" + std::string(1, f.letter) + "'; it is shown as text"});
            f.storage = Storage::Text;
            f.def.type = ftString;
        } else {
            f.storage = mapping->storage;
            f.def.type = f.letter == 'N' ? fieldTypeForNumeric(static_cast<int>(f.length), f.decimals) : mapping->type;
            if (f.storage == Storage::LittleInt32 && (f.flags & 0x08)) f.def.type = ftAutoInc;
            const bool memoSizeOk = f.storage != Storage::MemoPointer || f.length == 4 || f.length == 10;
            if ((mapping->fixedLength && static_cast<int>(f.length) != mapping->fixedLength) || !memoSizeOk) {
                h.problems.push_back({label + " of type '" + std::string(1, f.letter) + "' cannot be " +
                                      std::to_string(f.length) + " bytes long; its values are not readable"});
                f.readable = false;
            }
        }
        if (f.length == 0) {
            h.problems.push_back({label + " has length 0"});
            f.readable = false;
        }
        if (f.offset + f.length > h.recordLength) {
            h.problems.push_back({label + " ends at byte " + std::to_string(f.offset + f.length) +
                                  ", past the record length " + std::to_string(h.recordLength)});
            f.readable = false;
        }
        f.def.nativeType = std::string(1, f.letter);
        f.def.decimals = f.decimals;
        const bool sized = f.storage == Storage::Text || f.storage == Storage::NumericText ||
                           f.storage == Storage::VarText || f.storage == Storage::VarBinary;
        f.def.size = sized ? static_cast<int>(f.length) : 0;
        if (f.storage == Storage::NullFlags) {
            f.hidden = true;
            h.nullFlagsField = static_cast<int>(i);
        }
        if (h.dialect == Dialect::VisualFoxPro && f.storage != Storage::NullFlags) {
            if (f.storage == Storage::VarText || f.storage == Storage::VarBinary) f.varLengthBit = nextBit++;
            if (f.flags & 0x02) f.nullBit = nextBit++;
        }
    }
    if (offset != h.recordLength)
        h.problems.push_back({"the fields take " + std::to_string(offset) + " bytes per record but the header says " +
                              std::to_string(h.recordLength)});
    if (h.nullFlagsField >= 0 && (!h.fields[h.nullFlagsField].readable ||
                                  static_cast<std::uint32_t>(nextBit) > 8 * h.fields[h.nullFlagsField].length)) {
        h.problems.push_back({"the _NullFlags field is too short for the nullable fields"});
        for (FieldLayout& f : h.fields) f.nullBit = f.varLengthBit = -1;
    }
    if (h.nullFlagsField < 0)
        for (FieldLayout& f : h.fields) f.nullBit = f.varLengthBit = -1;
}
}  // namespace

bool DbaseHeader::hasMemoFields() const {
    return std::any_of(fields.begin(), fields.end(),
                       [](const FieldLayout& f) { return f.storage == Storage::MemoPointer; });
}

DbaseHeader readHeader(const PagedFile& file) {
    const std::string name = fileName(file);
    const std::uint64_t fileSize = file.size();
    if (fileSize < kMainHeaderSize + 1)
        throw EngineError(errkind::kFormat,
                          name + " is not a dBase table: it is only " + std::to_string(fileSize) + " bytes long");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kMaxHeaderBytes)));
    file.readExact(0, bytes.data(), bytes.size());

    DbaseHeader h;
    h.version = bytes[0];
    const VersionInfo info = classifyVersion(h.version);
    h.dialect = info.dialect;
    if (!info.known)
        h.problems.push_back(
            {"version byte " + hexByte(h.version) + " is not a known dBase version; read as " + dialectName(h.dialect),
             false});
    h.updateYear = bytes[1];
    h.updateMonth = bytes[2];
    h.updateDay = bytes[3];
    h.recordCount = le32(&bytes[4]);
    h.headerLength = le16(&bytes[8]);
    h.recordLength = le16(&bytes[10]);
    h.tableFlags = bytes[28];
    h.languageDriver = bytes[29];
    if (h.updateMonth < 1 || h.updateMonth > 12 || h.updateDay < 1 || h.updateDay > 31)
        h.problems.push_back({"the date of last update is not a date", false});

    if (h.dialect == Dialect::DBase7 && bytes.size() >= 64) {
        const auto* p = &bytes[32];
        const auto* end = static_cast<const std::uint8_t*>(std::memchr(p, 0, 32));
        h.languageDriverName.assign(reinterpret_cast<const char*>(p), end ? static_cast<std::size_t>(end - p) : 32);
    }

    // Descriptors run to the terminator; a damaged file may lack it, so they never run past the
    // header length or the file.
    const std::size_t slotSize = h.descriptorSize();
    const std::size_t limit =
        std::min<std::size_t>(bytes.size(), h.headerLength >= h.descriptorStart() ? h.headerLength : bytes.size());
    std::size_t pos = h.descriptorStart();
    bool terminated = false;
    while (pos < limit) {
        if (bytes[pos] == DbaseHeader::kTerminator) {
            terminated = true;
            break;
        }
        if (pos + slotSize > limit) break;
        if (std::all_of(&bytes[pos], &bytes[pos] + slotSize, [](std::uint8_t b) { return b == 0; })) break;
        h.fields.push_back(parseDescriptor(&bytes[pos], h.dialect));
        pos += slotSize;
    }
    if (!terminated) h.problems.push_back({"the field descriptors have no 0x0D terminator"});

    const std::size_t minimumHeader = pos + 1;
    if (h.headerLength < minimumHeader || h.headerLength > fileSize) {
        h.problems.push_back({"the header length " + std::to_string(h.headerLength) +
                              " does not fit the field descriptors and the file size"});
        std::size_t mended = minimumHeader + (h.dialect == Dialect::VisualFoxPro ? DbaseHeader::kBacklinkSize : 0);
        h.headerLength = static_cast<std::uint16_t>(std::min<std::uint64_t>(mended, fileSize));
    }
    if (h.recordLength == 0) {
        h.problems.push_back({"the record length is 0"});
        h.readableRecords = 0;
        h.fields.clear();
        return h;
    }
    applyWideCharacterLengths(h);
    assignTypes(h);

    const std::uint64_t room = (fileSize - h.headerLength) / h.recordLength;
    h.readableRecords = static_cast<std::uint32_t>(std::min<std::uint64_t>(room, h.recordCount));
    if (room < h.recordCount) {
        h.problems.push_back({"the header counts " + std::to_string(h.recordCount) +
                              " records but the file holds only " + std::to_string(room)});
    } else {
        const std::uint64_t extra = fileSize - h.headerLength - std::uint64_t{h.recordCount} * h.recordLength;
        if (extra > 1)
            h.problems.push_back({std::to_string(extra) + " bytes follow the records the header counts", false});
    }
    return h;
}

}  // namespace tabulon::dbase
