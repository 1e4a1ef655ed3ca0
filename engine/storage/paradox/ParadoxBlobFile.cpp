#include "ParadoxBlobFile.h"

#include <algorithm>
#include <cstdio>

#include "../../core/EngineError.h"
#include "ParadoxBytes.h"

namespace tabulon::paradox {

namespace {
constexpr std::uint32_t kSmallBlobLimit = 0x800;
}  // namespace

void ParadoxBlobFile::fail(std::uint32_t location, const std::string& why) const {
    char where[16];
    std::snprintf(where, sizeof where, "0x%08X", location);
    throw EngineError(errkind::kFormat, file_.path().filename().string() + ": the blob at " + where + " " + why);
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
            fail(location,
                 "holds " + std::to_string(le32(lengthBytes)) + " bytes, the record says " + std::to_string(length));
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

Bytes ParadoxBlobFile::emptyFile() {
    Bytes block(kBlockUnit, 0);
    block[0] = kHeaderBlock;
    putLe16(block.data() + 1, 1);
    const std::uint8_t constants[] = {0x82, 0x73, 0x02, 0x00, 0x29};
    std::copy(std::begin(constants), std::end(constants), block.begin() + 5);
    putLe16(block.data() + 0x0B, kBlockUnit);
    putLe16(block.data() + 0x0D, kBlockUnit);
    block[0x10] = kChunk;
    putLe16(block.data() + 0x11, kSlotCount);
    putLe16(block.data() + 0x13, kSmallBlobLimit);
    putLe16(block.data() + 0x29, 0x02A1);
    return block;
}

void ParadoxBlobFile::touch() {
    std::uint8_t counter[2] = {};
    file_.read(3, counter, 2);
    putLe16(counter, le16(counter) + 1u);
    file_.write(3, counter, 2);
}

std::map<std::uint64_t, std::uint32_t>& ParadoxBlobFile::freeBlocks() {
    if (free_) return *free_;
    free_.emplace();
    // Every block states its size, so the walk visits each once; a size of 0 ends it.
    std::uint64_t at = kBlockUnit;
    while (at + 3 <= file_.size()) {
        std::uint8_t head[3];
        file_.read(at, head, sizeof head);
        const std::uint32_t units = le16(head + 1);
        if (units == 0) break;
        if (head[0] == kFreeBlock && at + std::uint64_t{units} * kBlockUnit <= file_.size()) (*free_)[at] = units;
        at += std::uint64_t{units} * kBlockUnit;
    }
    return *free_;
}

void ParadoxBlobFile::markFree(std::uint64_t start, std::uint32_t units) {
    auto& free = freeBlocks();
    // Merged with free neighbours, as other writers keep them.
    auto next = free.find(start + std::uint64_t{units} * kBlockUnit);
    if (next != free.end() && units + next->second <= 0xFFFF) {
        units += next->second;
        free.erase(next);
    }
    auto after = free.lower_bound(start);
    if (after != free.begin()) {
        auto prior = std::prev(after);
        if (prior->first + std::uint64_t{prior->second} * kBlockUnit == start && prior->second + units <= 0xFFFF) {
            start = prior->first;
            units += prior->second;
        }
    }
    free[start] = units;
    std::uint8_t head[3] = {kFreeBlock};
    putLe16(head + 1, units);
    file_.write(start, head, sizeof head);
}

std::uint64_t ParadoxBlobFile::allocate(std::uint32_t units) {
    auto& free = freeBlocks();
    for (auto it = free.begin(); it != free.end(); ++it) {
        if (it->second < units) continue;
        const auto [start, size] = *it;
        free.erase(it);
        std::uint8_t type = 0;
        if (file_.read(start, &type, 1) != 1 || type != kFreeBlock) break;  // the list went stale: use the end
        if (size > units) markFree(start + std::uint64_t{units} * kBlockUnit, size - units);
        return start;
    }
    return (file_.size() + kBlockUnit - 1) / kBlockUnit * kBlockUnit;
}

void ParadoxBlobFile::clear() {
    const Bytes header = emptyFile();
    file_.truncate(0);
    file_.write(0, header.data(), header.size());
    free_.emplace();
    openSubBlock_ = 0;
}

void ParadoxBlobFile::discardPendingWrites() {
    file_.discardPendingWrites();
    free_.reset();
    openSubBlock_ = 0;
}

std::uint32_t ParadoxBlobFile::store(const Bytes& data) {
    const auto length = static_cast<std::uint32_t>(data.size());
    if (length > kSmallBlobLimit) {
        const std::uint64_t units = (kSingleHeader + std::uint64_t{length} + kBlockUnit - 1) / kBlockUnit;
        const std::uint64_t end = (file_.size() + kBlockUnit - 1) / kBlockUnit * kBlockUnit;
        if (units > 0xFFFF || end + units * kBlockUnit > 0xFFFFFF00ULL)
            throw EngineError(errkind::kValue, file_.path().filename().string() + " cannot hold a blob of " +
                                                   std::to_string(length) + " bytes more");
        const std::uint64_t at = allocate(static_cast<std::uint32_t>(units));
        Bytes block(static_cast<std::size_t>(units * kBlockUnit), 0);
        block[0] = kSingleBlock;
        putLe16(block.data() + 1, static_cast<std::uint32_t>(units));
        putLe32(block.data() + 3, length);
        std::copy(data.begin(), data.end(), block.begin() + kSingleHeader);
        file_.write(at, block.data(), block.size());
        return static_cast<std::uint32_t>(at) | kWholeBlockSlot;
    }
    const std::uint32_t chunks = std::max<std::uint32_t>(1, (length + kChunk - 1) / kChunk);
    // Finds room in the open suballocated block: a free slot and free chunks after the last used.
    for (int attempt = 0; attempt < 2; ++attempt) {
        Bytes block(kBlockUnit, 0);
        // The block may have gone with a rolled-back transaction.
        if (openSubBlock_ != 0 &&
            (openSubBlock_ + kBlockUnit > file_.size() ||
             file_.read(openSubBlock_, block.data(), kBlockUnit) != kBlockUnit || block[0] != kSubAllocated))
            openSubBlock_ = 0;
        if (openSubBlock_ != 0) {
            std::uint32_t used = kSubDataStart / kChunk;
            int freeSlot = -1;
            for (int slot = kSlotCount - 1; slot >= 0; --slot) {
                const std::uint8_t* e = block.data() + kSlotTable + kSlotEntry * static_cast<std::uint32_t>(slot);
                if (e[0] == 0 && freeSlot < 0) freeSlot = slot;
                if (e[0] != 0) used = std::max<std::uint32_t>(used, e[0] + std::uint32_t{e[1]});
            }
            if (freeSlot >= 0 && (used + chunks) * kChunk <= kBlockUnit) {
                std::uint8_t* e = block.data() + kSlotTable + kSlotEntry * static_cast<std::uint32_t>(freeSlot);
                e[0] = static_cast<std::uint8_t>(used);
                e[1] = static_cast<std::uint8_t>(chunks);
                putLe16(e + 2, 0);
                e[4] = static_cast<std::uint8_t>(length == 0 ? 0 : length - (chunks - 1) * kChunk);
                std::copy(data.begin(), data.end(), block.begin() + used * kChunk);
                file_.write(openSubBlock_, block.data(), kBlockUnit);
                return static_cast<std::uint32_t>(openSubBlock_) | static_cast<std::uint32_t>(freeSlot);
            }
        }
        Bytes fresh(kBlockUnit, 0);
        fresh[0] = kSubAllocated;
        putLe16(fresh.data() + 1, 1);
        openSubBlock_ = allocate(1);
        file_.write(openSubBlock_, fresh.data(), kBlockUnit);
    }
    throw EngineError(errkind::kUsage, "A blob of " + std::to_string(length) + " bytes found no room");
}

void ParadoxBlobFile::release(std::uint32_t location) {
    const std::uint64_t blockStart = location & ~0xFFu;
    const std::uint32_t slot = location & 0xFFu;
    std::uint8_t head[3] = {};
    if (blockStart == 0 || file_.read(blockStart, head, 3) != 3) return;  // nothing there to free
    if (slot == kWholeBlockSlot) {
        if (head[0] == kSingleBlock && le16(head + 1) > 0) markFree(blockStart, le16(head + 1));
        return;
    }
    if (head[0] != kSubAllocated || slot >= kSlotCount) return;
    Bytes block(kBlockUnit, 0);
    file_.read(blockStart, block.data(), kBlockUnit);
    std::fill_n(block.begin() + kSlotTable + kSlotEntry * slot, kSlotEntry, 0);
    bool anyUsed = false;
    for (std::uint32_t s = 0; s < kSlotCount; ++s) anyUsed = anyUsed || block[kSlotTable + kSlotEntry * s] != 0;
    file_.write(blockStart, block.data(), kBlockUnit);
    if (!anyUsed) {
        if (openSubBlock_ == blockStart) openSubBlock_ = 0;
        markFree(blockStart, 1);
    }
}

}  // namespace tabulon::paradox
