#include "ParadoxBlobFile.h"

#include <cstdio>

#include "../../core/EngineError.h"
#include "ParadoxBytes.h"

namespace tabulon::paradox {

namespace {
constexpr std::uint8_t kSingleBlock = 2, kSubAllocated = 3;
constexpr std::uint32_t kSingleHeader = 9;
constexpr std::uint32_t kSlotTable = 12, kSlotEntry = 5, kSlotCount = 64, kChunk = 16;
}  // namespace

void ParadoxBlobFile::fail(std::uint32_t location, const std::string& why) const {
    char where[16];
    std::snprintf(where, sizeof where, "0x%08X", location);
    throw EngineError(errkind::kFormat,
                      file_.path().filename().string() + ": the blob at " + where + " " + why);
}

Bytes ParadoxBlobFile::read(std::uint32_t location, std::uint32_t length) const {
    const std::uint64_t blockStart = location & ~0xFFu;
    const std::uint32_t slot = location & 0xFFu;
    const std::uint64_t fileSize = file_.size();
    if (blockStart == 0 || blockStart + 3 > fileSize) fail(location, "lies outside the file");
    std::uint8_t head[3];
    file_.readExact(blockStart, head, sizeof head);
    std::uint64_t dataStart = 0;
    if (slot == kWholeBlockSlot) {
        if (head[0] != kSingleBlock) fail(location, "points to a block of type " + std::to_string(head[0]));
        std::uint8_t lengthBytes[4];
        if (file_.read(blockStart + 3, lengthBytes, 4) != 4) fail(location, "lies outside the file");
        if (le32(lengthBytes) != length)
            fail(location, "holds " + std::to_string(le32(lengthBytes)) + " bytes, the record says " +
                               std::to_string(length));
        if (kSingleHeader + static_cast<std::uint64_t>(length) > le16(head + 1) * std::uint64_t{kBlockUnit})
            fail(location, "is longer than its block");
        dataStart = blockStart + kSingleHeader;
    } else {
        if (head[0] != kSubAllocated) fail(location, "points to a block of type " + std::to_string(head[0]));
        if (slot >= kSlotCount) fail(location, "names slot " + std::to_string(slot) + " of 64");
        std::uint8_t entry[kSlotEntry];
        if (file_.read(blockStart + kSlotTable + kSlotEntry * slot, entry, kSlotEntry) != kSlotEntry)
            fail(location, "lies outside the file");
        if (entry[0] == 0 || entry[4] == 0 || entry[1] == 0) fail(location, "names an unused slot");
        const std::uint32_t stored = (entry[1] - 1u) * kChunk + entry[4];
        if (stored != length)
            fail(location, "holds " + std::to_string(stored) + " bytes, the record says " + std::to_string(length));
        if (entry[0] * std::uint64_t{kChunk} + length > kBlockUnit) fail(location, "is longer than its block");
        dataStart = blockStart + entry[0] * std::uint64_t{kChunk};
    }
    if (dataStart + length > fileSize) fail(location, "runs past the end of the file");
    Bytes data(length);
    file_.readExact(dataStart, data.data(), length);
    return data;
}

}  // namespace tabulon::paradox
