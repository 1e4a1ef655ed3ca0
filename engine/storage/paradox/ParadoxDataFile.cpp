#include "ParadoxDataFile.h"

#include <algorithm>
#include <cstring>

#include "../../core/EngineError.h"
#include "ParadoxBytes.h"

namespace tabulon::paradox {

ParadoxDataFile::ParadoxDataFile(PagedFile file, ProblemLog& problems) : file_(std::move(file)) { reload(problems); }

ParadoxDataFile::ParadoxDataFile(PagedFile file, ParadoxHeader header)
    : file_(std::move(file)), header_(std::move(header)) {
    chainIndexByBlock_.assign(1, -1);
}

void ParadoxDataFile::reload(ProblemLog& problems) {
    positionsStale_ = chainStale_ = false;
    cachedNumber_ = 0;
    lastLocated_ = 0;
    header_ = ParadoxHeader::read(file_);
    if (header_.encryption != 0)
        throw EngineError(errkind::kNotSupported, file_.path().filename().string() + " is a password-protected table");
    walkChain(problems);
}

void ParadoxDataFile::walkChain(ProblemLog& problems) {
    const std::string name = file_.path().filename().string();
    const std::uint64_t size = file_.size();
    const auto blockSize = static_cast<std::uint64_t>(header_.blockSize);
    const std::uint64_t blocksOnDisk = size > static_cast<std::uint64_t>(header_.headerSize)
                                           ? (size - header_.headerSize + blockSize - 1) / blockSize
                                           : 0;
    const int maxRecords = recordsPerBlock();
    blocks_.clear();
    chainIndexByBlock_.assign(static_cast<std::size_t>(std::min<std::uint64_t>(blocksOnDisk, 0xFFFF)) + 1, -1);
    recordCount_ = 0;
    int number = header_.firstBlock;
    while (number != 0) {
        if (static_cast<std::uint64_t>(number) > blocksOnDisk) {
            problems.report(name,
                            "the block chain leads to block " + std::to_string(number) + ", past the end of the file");
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

const std::vector<ParadoxDataFile::Block>& ParadoxDataFile::blocks() const {
    if (positionsStale_) reindex();
    return blocks_;
}

void ParadoxDataFile::reindex() const {
    std::uint64_t position = 0;
    int highest = 0;
    for (const auto& b : blocks_) highest = std::max(highest, b.number);
    chainIndexByBlock_.assign(static_cast<std::size_t>(std::max(highest, header_.blocksInFile)) + 1, -1);
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
        blocks_[i].firstPosition = position;
        position += static_cast<std::uint64_t>(blocks_[i].records);
        chainIndexByBlock_[static_cast<std::size_t>(blocks_[i].number)] = static_cast<std::int32_t>(i);
    }
    positionsStale_ = chainStale_ = false;
}

ParadoxDataFile::Position ParadoxDataFile::locate(std::uint64_t position) const {
    if (positionsStale_) reindex();
    for (std::size_t i = lastLocated_; i < blocks_.size() && i <= lastLocated_ + 1; ++i) {
        const Block& b = blocks_[i];
        if (position >= b.firstPosition && position < b.firstPosition + static_cast<std::uint64_t>(b.records)) {
            lastLocated_ = i;
            return {i, static_cast<int>(position - b.firstPosition)};
        }
    }
    auto it = std::upper_bound(blocks_.begin(), blocks_.end(), position,
                               [](std::uint64_t p, const Block& b) { return p < b.firstPosition; });
    // Empty blocks share their successor's first position; upper_bound - 1 skips past them.
    const auto index = static_cast<std::size_t>(it - blocks_.begin()) - 1;
    lastLocated_ = index;
    return {index, static_cast<int>(position - blocks_[index].firstPosition)};
}

long ParadoxDataFile::chainIndexOf(int block) const {
    if (chainStale_) reindex();
    if (block <= 0 || static_cast<std::size_t>(block) >= chainIndexByBlock_.size()) return -1;
    return chainIndexByBlock_[static_cast<std::size_t>(block)];
}

void ParadoxDataFile::readRecord(int block, int record, std::uint8_t* out) const {
    std::memcpy(out, recordAt(block, record), static_cast<std::size_t>(header_.recordSize));
}

const std::uint8_t* ParadoxDataFile::recordAt(int block, int record) const {
    const auto blockSize = static_cast<std::size_t>(header_.blockSize);
    const auto size = static_cast<std::size_t>(header_.recordSize);
    const std::size_t at = 6 + static_cast<std::size_t>(record) * size;
    // Straight from the file's cache when it can: a scan then copies no block.
    if (at + size <= blockSize)
        if (const std::uint8_t* inPlace = file_.view(header_.blockOffset(block) + at, size)) {
            cachedNumber_ = 0;
            return inPlace;
        }
    if (cachedNumber_ != block) {
        // A spare record's worth of zeros after the block answers records past its end.
        cachedBlock_.assign(blockSize + size, 0);
        file_.read(header_.blockOffset(block), cachedBlock_.data(), blockSize);
        cachedNumber_ = block;
    }
    return cachedBlock_.data() + (at + size <= blockSize ? at : blockSize);
}

std::vector<std::uint8_t> ParadoxDataFile::readBlock(int number) const {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(header_.blockSize), 0);
    file_.read(header_.blockOffset(number), bytes.data(), bytes.size());
    return bytes;
}

void ParadoxDataFile::writeBlock(int number, std::vector<std::uint8_t>& bytes, int records) {
    if (cachedNumber_ == number) cachedNumber_ = 0;
    putLe16(bytes.data() + 4, static_cast<std::uint32_t>((records - 1) * header_.recordSize) & 0xFFFF);
    // Bytes after the last record stay zero, as other writers leave them.
    const auto used = static_cast<std::size_t>(6 + records * header_.recordSize);
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(used), bytes.end(), 0);
    file_.write(header_.blockOffset(number), bytes.data(), bytes.size());
}

void ParadoxDataFile::setLinks(int number, int next, int prior) {
    if (cachedNumber_ == number) cachedNumber_ = 0;
    std::uint8_t links[4];
    putLe16(links, static_cast<std::uint32_t>(next));
    putLe16(links + 2, static_cast<std::uint32_t>(prior));
    file_.write(header_.blockOffset(number), links, sizeof links);
}

void ParadoxDataFile::writeRecord(std::size_t chainIndex, int record, const std::uint8_t* bytes) {
    if (cachedNumber_ == blocks_[chainIndex].number) cachedNumber_ = 0;
    const std::uint64_t offset =
        header_.blockOffset(blocks_[chainIndex].number) + 6 + static_cast<std::uint64_t>(record) * header_.recordSize;
    file_.write(offset, bytes, static_cast<std::size_t>(header_.recordSize));
}

void ParadoxDataFile::insertRecord(std::size_t chainIndex, int record, const std::uint8_t* bytes) {
    Block& block = blocks_[chainIndex];
    auto data = readBlock(block.number);
    const auto size = static_cast<std::size_t>(header_.recordSize);
    const auto at = 6 + static_cast<std::size_t>(record) * size;
    const auto end = 6 + static_cast<std::size_t>(block.records) * size;
    std::copy_backward(data.begin() + static_cast<std::ptrdiff_t>(at), data.begin() + static_cast<std::ptrdiff_t>(end),
                       data.begin() + static_cast<std::ptrdiff_t>(end + size));
    std::copy(bytes, bytes + size, data.begin() + static_cast<std::ptrdiff_t>(at));
    ++block.records;
    ++recordCount_;
    writeBlock(block.number, data, block.records);
    // Only the blocks after this one move along; appends at the end then cost nothing here.
    if (!positionsStale_)
        for (std::size_t i = chainIndex + 1; i < blocks_.size(); ++i) ++blocks_[i].firstPosition;
}

void ParadoxDataFile::removeRecord(std::size_t chainIndex, int record) {
    Block& block = blocks_[chainIndex];
    auto data = readBlock(block.number);
    const auto size = static_cast<std::size_t>(header_.recordSize);
    const auto at = 6 + static_cast<std::size_t>(record) * size;
    const auto end = 6 + static_cast<std::size_t>(block.records) * size;
    std::copy(data.begin() + static_cast<std::ptrdiff_t>(at + size), data.begin() + static_cast<std::ptrdiff_t>(end),
              data.begin() + static_cast<std::ptrdiff_t>(at));
    --block.records;
    --recordCount_;
    positionsStale_ = true;
    if (block.records > 0)
        writeBlock(block.number, data, block.records);
    else
        unlinkEmpty(chainIndex, data);
}

void ParadoxDataFile::mergeWithNext(std::size_t chainIndex) {
    Block& target = blocks_[chainIndex];
    const Block& source = blocks_[chainIndex + 1];
    auto targetData = readBlock(target.number);
    auto sourceData = readBlock(source.number);
    const auto size = static_cast<std::size_t>(header_.recordSize);
    std::copy_n(sourceData.begin() + 6, static_cast<std::size_t>(source.records) * size,
                targetData.begin() + static_cast<std::ptrdiff_t>(6 + static_cast<std::size_t>(target.records) * size));
    target.records += source.records;
    writeBlock(target.number, targetData, target.records);
    blocks_[chainIndex + 1].records = 0;
    positionsStale_ = true;
    unlinkEmpty(chainIndex + 1, sourceData);
}

void ParadoxDataFile::unlinkEmpty(std::size_t chainIndex, std::vector<std::uint8_t>& data) {
    // An empty block leaves the chain and heads the free list.
    const int number = blocks_[chainIndex].number;
    const int prior = chainIndex > 0 ? blocks_[chainIndex - 1].number : 0;
    const int next = chainIndex + 1 < blocks_.size() ? blocks_[chainIndex + 1].number : 0;
    if (prior) setLinks(prior, next, chainIndex > 1 ? blocks_[chainIndex - 2].number : 0);
    if (next) setLinks(next, chainIndex + 2 < blocks_.size() ? blocks_[chainIndex + 2].number : 0, prior);
    putLe16(data.data(), static_cast<std::uint32_t>(header_.firstFreeBlock));
    putLe16(data.data() + 2, 0);
    writeBlock(number, data, 0);
    header_.firstFreeBlock = number;
    blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(chainIndex));
    chainStale_ = true;
}

std::size_t ParadoxDataFile::addBlockAfter(long chainIndex) {
    int number = 0;
    const int free = header_.firstFreeBlock;
    if (free > 0 && free <= header_.blocksInFile && chainIndexOf(free) < 0) {
        number = free;
        const int nextFree = le16(readBlock(free).data());
        header_.firstFreeBlock = nextFree <= header_.blocksInFile && nextFree != free ? nextFree : 0;
    } else {
        header_.firstFreeBlock = 0;  // a free list that leads nowhere sensible is dropped
        const std::uint64_t size = file_.size();
        const auto blockSize = static_cast<std::uint64_t>(header_.blockSize);
        const auto onDisk =
            static_cast<int>(std::min<std::uint64_t>(size > static_cast<std::uint64_t>(header_.headerSize)
                                                         ? (size - header_.headerSize + blockSize - 1) / blockSize
                                                         : 0,
                                                     0xFFFF));
        number = std::max(header_.blocksInFile, onDisk) + 1;
        if (number > 0xFFFF)
            throw EngineError(errkind::kValue,
                              file_.path().filename().string() + " holds 65535 blocks, the most a Paradox table can");
        header_.blocksInFile = number;
    }
    const auto index = static_cast<std::size_t>(chainIndex + 1);
    const int prior = index > 0 ? blocks_[index - 1].number : 0;
    const int next = index < blocks_.size() ? blocks_[index].number : 0;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(header_.blockSize), 0);
    putLe16(data.data(), static_cast<std::uint32_t>(next));
    putLe16(data.data() + 2, static_cast<std::uint32_t>(prior));
    writeBlock(number, data, 0);
    if (prior) setLinks(prior, number, index > 1 ? blocks_[index - 2].number : 0);
    if (next) setLinks(next, index + 1 < blocks_.size() ? blocks_[index + 1].number : 0, number);
    blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(index), Block{number, 0, 0});
    positionsStale_ = chainStale_ = true;
    return index;
}

void ParadoxDataFile::moveRecords(std::size_t source, int from, std::size_t target) {
    Block& s = blocks_[source];
    Block& t = blocks_[target];
    auto sourceData = readBlock(s.number);
    auto targetData = readBlock(t.number);
    const auto size = static_cast<std::size_t>(header_.recordSize);
    const int moved = s.records - from;
    std::copy_n(sourceData.begin() + static_cast<std::ptrdiff_t>(6 + static_cast<std::size_t>(from) * size),
                static_cast<std::size_t>(moved) * size, targetData.begin() + 6);
    s.records = from;
    t.records = moved;
    writeBlock(s.number, sourceData, s.records);
    writeBlock(t.number, targetData, t.records);
    positionsStale_ = true;
}

void ParadoxDataFile::clear() {
    cachedNumber_ = 0;
    lastLocated_ = 0;
    blocks_.clear();
    recordCount_ = 0;
    header_.blocksInFile = 0;
    header_.firstFreeBlock = 0;
    file_.truncate(static_cast<std::uint64_t>(header_.headerSize));
    positionsStale_ = chainStale_ = true;
}

void ParadoxDataFile::fillCleared(std::size_t count, const std::function<const std::uint8_t*(std::size_t)>& record) {
    const auto capacity = static_cast<std::size_t>(recordsPerBlock());
    long last = -1;
    for (std::size_t i = 0; i < count; ++i) {
        if (i % capacity == 0) last = static_cast<long>(addBlockAfter(last));
        insertRecord(static_cast<std::size_t>(last), static_cast<int>(i % capacity), record(i));
    }
}

void ParadoxDataFile::writeHeader() {
    header_.recordCount = static_cast<std::uint32_t>(recordCount_);
    header_.blocksInUse = static_cast<int>(blocks_.size());
    header_.firstBlock = blocks_.empty() ? 0 : blocks_.front().number;
    header_.lastBlock = blocks_.empty() ? 0 : blocks_.back().number;
    header_.storeCounters();
    file_.write(0, header_.raw.data(), header_.raw.size());
}

}  // namespace tabulon::paradox
