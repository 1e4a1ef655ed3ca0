#include "ParadoxIndexTree.h"

#include "../../core/EngineError.h"
#include "ParadoxBytes.h"

namespace tabulon::paradox {

namespace {
int flippedShort(const std::uint8_t* p) { return static_cast<std::int16_t>(((p[0] << 8) | p[1]) ^ 0x8000); }
}  // namespace

ParadoxIndexTree ParadoxIndexTree::read(const PagedFile& file) {
    ParadoxIndexTree tree;
    tree.header_ = ParadoxHeader::read(file);
    const ParadoxHeader& h = tree.header_;
    const std::string name = file.path().filename().string();
    if (!h.isIndexTree())
        throw EngineError(errkind::kFormat,
                          name + ": file type " + std::to_string(static_cast<int>(h.kind)) + " is not an index tree");
    if (h.recordSize <= kEntryTail)
        throw EngineError(errkind::kFormat,
                          name + ": entries of " + std::to_string(h.recordSize) + " bytes hold no key");
    if (h.indexLevels == 0) return tree;
    const auto size = file.size();
    const int blocksOnDisk =
        static_cast<int>(std::min<std::uint64_t>((size - h.headerSize + h.blockSize - 1) / h.blockSize, 0xFFFF));
    std::vector<bool> visited(static_cast<std::size_t>(blocksOnDisk) + 1, false);
    tree.walk(file, h.rootBlock, 1, visited, blocksOnDisk);
    return tree;
}

std::string ParadoxIndexTree::disagreement(const ParadoxDataFile& data) const {
    std::size_t leaf = 0;
    for (const auto& block : data.blocks()) {
        if (block.records == 0) continue;
        if (leaf >= leaves_.size()) return "it lists fewer blocks than the table's chain holds";
        const Leaf& l = leaves_[leaf++];
        if (l.block != block.number || l.records != block.records)
            return "it lists block " + std::to_string(l.block) + " with " + std::to_string(l.records) +
                   " records where the chain has block " + std::to_string(block.number) + " with " +
                   std::to_string(block.records);
    }
    if (leaf != leaves_.size()) return "it lists more blocks than the table's chain holds";
    return {};
}

void ParadoxIndexTree::walk(const PagedFile& file, int block, int level, std::vector<bool>& visited, int blocksOnDisk) {
    const std::string name = file.path().filename().string();
    if (block < 1 || block > blocksOnDisk)
        throw EngineError(errkind::kFormat, name + ": index block " + std::to_string(block) + " lies outside the file");
    if (visited[static_cast<std::size_t>(block)])
        throw EngineError(errkind::kFormat,
                          name + ": the index tree reaches block " + std::to_string(block) + " twice");
    visited[static_cast<std::size_t>(block)] = true;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(header_.blockSize), 0);
    file.read(header_.blockOffset(block), data.data(), data.size());  // a cut-short block reads as zeros
    const int last = static_cast<std::int16_t>(le16(data.data() + 4));
    const int entries = last < 0 ? 0 : last / header_.recordSize + 1;
    if (6 + entries * header_.recordSize > header_.blockSize)
        throw EngineError(errkind::kFormat, name + ": index block " + std::to_string(block) + " claims " +
                                                std::to_string(entries) + " entries, more than it holds");
    const int keyLength = keyBytes();
    for (int e = 0; e < entries; ++e) {
        const std::uint8_t* entry = data.data() + 6 + e * header_.recordSize;
        const int target = flippedShort(entry + keyLength);
        if (level < header_.indexLevels) {
            walk(file, target, level + 1, visited, blocksOnDisk);
        } else {
            leaves_.push_back(
                {std::vector<std::uint8_t>(entry, entry + keyLength), target, flippedShort(entry + keyLength + 2)});
        }
    }
}

}  // namespace tabulon::paradox
