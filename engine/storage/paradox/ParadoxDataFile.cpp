#include "ParadoxDataFile.h"

#include <algorithm>
#include <cstring>

#include "../../core/EngineError.h"
#include "ParadoxBytes.h"

namespace tabulon::paradox {

ParadoxDataFile::ParadoxDataFile(PagedFile file, ProblemLog& problems) : file_(std::move(file)) {
    reload(problems);
}

void ParadoxDataFile::reload(ProblemLog& problems) {
    header_ = ParadoxHeader::read(file_);
    if (header_.encryption != 0)
        throw EngineError(errkind::kNotSupported,
                          file_.path().filename().string() + " is a password-protected table");
    walkChain(problems);
}

void ParadoxDataFile::walkChain(ProblemLog& problems) {
    const std::string name = file_.path().filename().string();
    const std::uint64_t size = file_.size();
    const auto blockSize = static_cast<std::uint64_t>(header_.blockSize);
    const std::uint64_t blocksOnDisk =
        size > static_cast<std::uint64_t>(header_.headerSize) ? (size - header_.headerSize + blockSize - 1) / blockSize : 0;
    const int maxRecords = recordsPerBlock();
    blocks_.clear();
    chainIndexByBlock_.assign(static_cast<std::size_t>(std::min<std::uint64_t>(blocksOnDisk, 0xFFFF)) + 1, -1);
    recordCount_ = 0;
    int number = header_.firstBlock;
    while (number != 0) {
        if (static_cast<std::uint64_t>(number) > blocksOnDisk) {
            problems.report(name, "the block chain leads to block " + std::to_string(number) +
                                      ", past the end of the file");
            break;
        }
        if (chainIndexByBlock_[static_cast<std::size_t>(number)] >= 0) {
            problems.report(name, "the block chain loops back to block " + std::to_string(number));
            break;
        }
        std::uint8_t head[6] = {};
        file_.read(header_.blockOffset(number), head, sizeof head);
        const int lastOffset = static_cast<std::int16_t>(le16(head + 4));
        int records = lastOffset < 0 ? 0 : lastOffset / header_.recordSize + 1;
        if (records > maxRecords) {
            problems.report(name, "block " + std::to_string(number) + " claims " + std::to_string(records) +
                                      " records; it holds " + std::to_string(maxRecords) + " at most");
            records = maxRecords;
        }
        chainIndexByBlock_[static_cast<std::size_t>(number)] = static_cast<std::int32_t>(blocks_.size());
        blocks_.push_back({number, records, recordCount_});
        recordCount_ += static_cast<std::uint64_t>(records);
        number = le16(head);
    }
    if (recordCount_ != header_.recordCount)
        problems.report(name, "the header counts " + std::to_string(header_.recordCount) +
                                  " records, the block chain holds " + std::to_string(recordCount_));
}

ParadoxDataFile::Position ParadoxDataFile::locate(std::uint64_t position) const {
    auto it = std::upper_bound(blocks_.begin(), blocks_.end(), position,
                               [](std::uint64_t p, const Block& b) { return p < b.firstPosition; });
    // Empty blocks share their successor's first position; upper_bound - 1 skips past them.
    const auto index = static_cast<std::size_t>(it - blocks_.begin()) - 1;
    return {index, static_cast<int>(position - blocks_[index].firstPosition)};
}

long ParadoxDataFile::chainIndexOf(int block) const {
    if (block <= 0 || static_cast<std::size_t>(block) >= chainIndexByBlock_.size()) return -1;
    return chainIndexByBlock_[static_cast<std::size_t>(block)];
}

void ParadoxDataFile::readRecord(int block, int record, std::uint8_t* out) const {
    const std::uint64_t offset =
        header_.blockOffset(block) + 6 + static_cast<std::uint64_t>(record) * header_.recordSize;
    const std::size_t got = file_.read(offset, out, static_cast<std::size_t>(header_.recordSize));
    std::memset(out + got, 0, static_cast<std::size_t>(header_.recordSize) - got);
}

}  // namespace tabulon::paradox
