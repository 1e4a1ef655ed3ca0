#include "ParadoxIndexTreeWriter.h"

#include <algorithm>

#include "ParadoxBytes.h"

namespace tabulon::paradox {

namespace {
void putFlippedShort(std::uint8_t* p, int v) { putBe(p, 2, static_cast<std::uint16_t>(v) ^ 0x8000u); }
}  // namespace

void writeParadoxIndexTree(PagedFile& file, ParadoxHeader& header, const std::vector<ParadoxIndexTree::Leaf>& leaves,
                           std::uint8_t changeCopy) {
    const auto entrySize = static_cast<std::size_t>(header.recordSize);
    const std::size_t keyBytes = entrySize - ParadoxIndexTree::kEntryTail;
    const auto perBlock = static_cast<std::size_t>((header.blockSize - 6) / header.recordSize);
    file.truncate(static_cast<std::uint64_t>(header.headerSize));

    int nextBlock = 1;
    std::size_t entries = 0;
    int levels = 0;
    std::vector<ParadoxIndexTree::Leaf> level = leaves;
    while (!level.empty()) {
        ++levels;
        std::vector<ParadoxIndexTree::Leaf> above;
        const std::size_t blockCount = (level.size() + perBlock - 1) / perBlock;
        for (std::size_t b = 0; b < blockCount; ++b) {
            const int number = nextBlock++;
            std::vector<std::uint8_t> data(static_cast<std::size_t>(header.blockSize), 0);
            putLe16(data.data(), b + 1 < blockCount ? static_cast<std::uint32_t>(number + 1) : 0);
            putLe16(data.data() + 2, b > 0 ? static_cast<std::uint32_t>(number - 1) : 0);
            const std::size_t from = b * perBlock;
            const std::size_t count = std::min(perBlock, level.size() - from);
            putLe16(data.data() + 4, static_cast<std::uint32_t>((count - 1) * entrySize));
            int records = 0;
            for (std::size_t e = 0; e < count; ++e) {
                const auto& leaf = level[from + e];
                std::uint8_t* entry = data.data() + 6 + e * entrySize;
                std::copy_n(leaf.key.begin(), keyBytes, entry);
                putFlippedShort(entry + keyBytes, leaf.block);
                putFlippedShort(entry + keyBytes + 2, leaf.records);  // upper levels wrap past 32767, unread
                putFlippedShort(entry + keyBytes + 4, 0);
                records += leaf.records;
            }
            entries += count;
            file.write(header.blockOffset(number), data.data(), data.size());
            above.push_back({level[from].key, number, records});
        }
        if (blockCount == 1) break;
        level = std::move(above);
    }
    header.recordCount = static_cast<std::uint32_t>(entries);
    header.blocksInUse = header.blocksInFile = nextBlock - 1;
    header.firstBlock = nextBlock > 1 ? 1 : 0;
    header.lastBlock = nextBlock - 1;
    header.rootBlock = nextBlock > 1 ? nextBlock - 1 : 1;
    header.indexLevels = levels;
    header.firstFreeBlock = 0;
    header.storeCounters();
    header.raw[ParadoxHeader::kIndexChangeCopy] = changeCopy;
    file.write(0, header.raw.data(), header.raw.size());
}

}  // namespace tabulon::paradox
