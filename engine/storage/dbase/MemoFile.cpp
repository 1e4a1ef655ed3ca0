#include "MemoFile.h"

#include <algorithm>
#include <cstring>

#include "../../core/EngineError.h"
#include "ByteOrder.h"

namespace tabulon::dbase {

namespace {
constexpr std::uint8_t kDbt4BlockMark[4] = {0xFF, 0xFF, 0x08, 0x00};
constexpr std::size_t kScanStep = 4096;
constexpr std::uint8_t kFptBlockSize = 64;
}  // namespace

MemoFile::MemoFile(PagedFile file, MemoKind kind, bool dbase3) : file_(std::move(file)), kind_(kind), dbase3_(dbase3) {
    readHeader();
}

void MemoFile::reload() { readHeader(); }

void MemoFile::readHeader() {
    std::uint8_t header[32] = {};
    file_.read(0, header, sizeof header);
    if (kind_ == MemoKind::Fpt) {
        nextFree_ = be32(header);
        blockSize_ = be16(header + 6);
        if (blockSize_ == 0) blockSize_ = 512;
    } else {
        nextFree_ = le32(header);
        const std::uint32_t size = le16(header + 20);
        // dBase III files leave these bytes zero; any other value must be a whole number of
        // 512-byte pages.
        blockSize_ = !dbase3_ && size >= 512 && size % 512 == 0 ? size : 512;
    }
    // A counter behind the file's end would make new memos overwrite old ones.
    const std::uint64_t used = (file_.size() + blockSize_ - 1) / blockSize_;
    if (nextFree_ < used && used <= 0xFFFFFFFF) nextFree_ = static_cast<std::uint32_t>(used);
    nextFree_ = std::max(nextFree_, firstBlock());
}

PagedFile MemoFile::createEmpty(const std::filesystem::path& path, MemoKind kind, bool dbase3) {
    PagedFile file = PagedFile::createNew(path);
    std::uint8_t header[512] = {};
    if (kind == MemoKind::Fpt) {
        putBe32(header, 512 / kFptBlockSize);
        header[6] = 0;
        header[7] = kFptBlockSize;
    } else {
        putLe32(header, 1);
        if (dbase3) {
            header[16] = 0x03;
        } else {
            const std::string stem = path.stem().string().substr(0, 8);
            std::memcpy(header + 8, stem.data(), stem.size());
            putLe16(header + 20, 512);
        }
    }
    file.write(0, header, sizeof header);
    return file;
}

void MemoFile::writeHeader() {
    std::uint8_t counter[4];
    if (kind_ == MemoKind::Fpt)
        putBe32(counter, nextFree_);
    else
        putLe32(counter, nextFree_);
    file_.write(0, counter, 4);
}

void MemoFile::clear() {
    file_.truncate(std::min<std::uint64_t>(file_.size(), 512));
    nextFree_ = firstBlock();
    writeHeader();
}

std::uint64_t MemoFile::blocksOf(std::uint32_t block) const {
    if (block < firstBlock()) return 0;
    const std::uint64_t offset = std::uint64_t{block} * blockSize_;
    if (offset >= file_.size()) return 0;
    std::uint8_t head[8] = {};
    file_.read(offset, head, 8);
    std::uint64_t bytes;
    if (kind_ == MemoKind::Fpt) {
        bytes = 8 + std::uint64_t{be32(head + 4)};
    } else if (!dbase3_ && std::memcmp(head, kDbt4BlockMark, 4) == 0) {
        bytes = le32(head + 4);
    } else {
        try {
            bytes = read(block).size() + 2;
        } catch (const EngineError&) {
            return 0;
        }
    }
    return (bytes + blockSize_ - 1) / blockSize_;
}

std::uint32_t MemoFile::write(const std::string& data, std::uint32_t oldBlock, bool binary,
                              const std::string& fieldName) {
    if (data.empty()) return 0;
    const bool dbase3Style = kind_ == MemoKind::Dbt && dbase3_;
    if (dbase3Style && data.find('\x1A') != std::string::npos)
        throw EngineError(errkind::kValue, "Field " + fieldName + ": a dBase III memo cannot hold the byte 0x1A");
    std::string block;
    if (kind_ == MemoKind::Fpt) {
        block.resize(8);
        putBe32(reinterpret_cast<std::uint8_t*>(block.data()), binary ? 2 : 1);
        putBe32(reinterpret_cast<std::uint8_t*>(block.data()) + 4, static_cast<std::uint32_t>(data.size()));
        block += data;
    } else if (dbase3Style) {
        block = data + "\x1A\x1A";
    } else {
        block.assign(reinterpret_cast<const char*>(kDbt4BlockMark), 4);
        block.resize(8);
        putLe32(reinterpret_cast<std::uint8_t*>(block.data()) + 4, static_cast<std::uint32_t>(data.size() + 8));
        block += data;
    }
    const std::uint64_t needed = (block.size() + blockSize_ - 1) / blockSize_;
    std::uint32_t target = oldBlock;
    if (oldBlock == 0 || blocksOf(oldBlock) < needed) {
        if (std::uint64_t{nextFree_} + needed > 0xFFFFFFFF)
            throw EngineError(errkind::kValue,
                              "Field " + fieldName + ": the memo file " + path().filename().string() + " is full");
        target = nextFree_;
        nextFree_ += static_cast<std::uint32_t>(needed);
        block.resize(needed * blockSize_, '\0');  // whole blocks keep the next memo on its boundary
    }
    file_.write(std::uint64_t{target} * blockSize_, block.data(), block.size());
    return target;
}

void MemoFile::fail(std::uint32_t block, const std::string& why) const {
    throw EngineError(errkind::kFormat,
                      path().filename().string() + ": the memo at block " + std::to_string(block) + " " + why);
}

std::string MemoFile::read(std::uint32_t block) const {
    if (block == 0) return {};
    const std::uint64_t offset = std::uint64_t{block} * blockSize_;
    if (offset < 512 && blockSize_ < 512) fail(block, "lies inside the file header");
    if (offset >= file_.size()) fail(block, "lies past the end of the file");
    return kind_ == MemoKind::Fpt ? readFpt(offset, block) : readDbt(offset, block);
}

std::string MemoFile::readFpt(std::uint64_t offset, std::uint32_t block) const {
    std::uint8_t head[8];
    if (file_.read(offset, head, 8) < 8) fail(block, "is cut short");
    const std::uint32_t length = be32(head + 4);
    if (length > file_.size() - offset - 8)
        fail(block, "claims " + std::to_string(length) + " bytes, past the end of the file");
    std::string data(length, '\0');
    file_.read(offset + 8, data.data(), length);
    return data;
}

std::string MemoFile::readDbt(std::uint64_t offset, std::uint32_t block) const {
    std::uint8_t head[8] = {};
    file_.read(offset, head, 8);
    if (!dbase3_ && std::memcmp(head, kDbt4BlockMark, 4) == 0) {
        const std::uint32_t stored = le32(head + 4);
        if (stored < 8 || stored - 8 > file_.size() - offset - 8)
            fail(block, "claims " + std::to_string(stored) + " bytes, past the end of the file");
        std::string data(stored - 8, '\0');
        file_.read(offset + 8, data.data(), data.size());
        while (!data.empty() && data.back() == '\x1A') data.pop_back();
        return data;
    }
    // dBase III style: text up to the first 0x1A (writers put one or two) or the end of the file.
    std::string data;
    std::uint64_t pos = offset;
    char chunk[kScanStep];
    for (;;) {
        const std::size_t got = file_.read(pos, chunk, kScanStep);
        if (got == 0) break;
        const auto* end = static_cast<const char*>(std::memchr(chunk, 0x1A, got));
        if (end) {
            data.append(chunk, static_cast<std::size_t>(end - chunk));
            break;
        }
        data.append(chunk, got);
        pos += got;
    }
    return data;
}

}  // namespace tabulon::dbase
