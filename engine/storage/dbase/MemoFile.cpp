#include "MemoFile.h"

#include <algorithm>
#include <cstring>

#include "../../core/EngineError.h"
#include "ByteOrder.h"

namespace tabulon::dbase {

namespace {
constexpr std::uint8_t kDbt4BlockMark[4] = {0xFF, 0xFF, 0x08, 0x00};
constexpr std::size_t kScanStep = 4096;
}  // namespace

MemoFile::MemoFile(PagedFile file, MemoKind kind, bool dbase3)
    : file_(std::move(file)), kind_(kind), dbase3_(dbase3) {
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
    if (length > file_.size() - offset - 8) fail(block, "claims " + std::to_string(length) + " bytes, past the end of the file");
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
