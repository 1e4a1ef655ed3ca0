#include "CdxFile.h"

#include <cstring>

#include "ByteOrder.h"
#include "CdxLayout.h"
#include "IndexKeyCodec.h"
#include "PageWalk.h"

namespace tabulon::dbase {

namespace {
using namespace cdx;
constexpr std::size_t kMaxDepth = 64;

}  // namespace

CdxFile::CdxFile(PagedFile file) : file_(std::move(file)) { parse(); }

void CdxFile::reload() {
    tags_.clear();
    skipped_.clear();
    parse();
}

void CdxFile::parse() {
    const std::string name = file_.path().filename().string();
    if (file_.size() < kHeaderSize)
        throw EngineError(errkind::kFormat, name + " is not a CDX index: it is shorter than its header");
    std::uint8_t directory[kHeaderSize];
    file_.read(0, directory, kHeaderSize);
    const std::size_t nameLength = le16(directory + 12);
    if (nameLength == 0 || nameLength > kMaxKeyLength)
        throw EngineError(errkind::kFormat,
                          name + ": the tag directory's key length " + std::to_string(nameLength) + " is not possible");
    for (const IndexEntry& entry : walk(0, nameLength, KeyEncoding::Raw, 0)) {
        IndexTag tag;
        tag.def.name = cString(reinterpret_cast<const std::uint8_t*>(entry.key.data()), entry.key.size());
        tag.def.file = name;
        tag.header = entry.record;
        std::uint8_t header[kHeaderSize];
        if (tag.header + kHeaderSize > file_.size()) {
            skipped_.push_back("tag " + tag.def.name + ": its header lies outside the file");
            continue;
        }
        file_.read(tag.header, header, kHeaderSize);
        tag.keyLength = le16(header + 12);
        const std::uint8_t options = header[kTagOptions];
        tag.descending = le16(header + 502) != 0;
        const std::size_t forLength = le16(header + 506);
        const std::size_t keyExpressionLength = le16(header + 510);
        if (tag.keyLength == 0 || tag.keyLength > kMaxKeyLength) {
            skipped_.push_back("tag " + tag.def.name + ": its key length " + std::to_string(tag.keyLength) +
                               " is not possible");
            continue;
        }
        tag.def.expression = cString(header + 512, 512);
        if ((options & kForClauseOption) && forLength > 0 && keyExpressionLength < 512)
            tag.def.condition = cString(header + 512 + keyExpressionLength, 512 - keyExpressionLength);
        // A candidate tag is unique too, but not a primary index: dBase and FoxPro tables
        // have none, so no tag orders the table unless it is chosen.
        if (options & (kUniqueOption | kCandidateOption)) tag.def.options |= ixUnique;
        if (tag.descending) tag.def.options |= ixDescending;
        tags_.push_back(std::move(tag));
    }
}

std::vector<IndexEntry> CdxFile::load(std::size_t index, KeyEncoding encoding, std::size_t prefixBytes) const {
    const IndexTag& tag = tags_.at(index);
    return walk(tag.header, tag.keyLength, encoding, prefixBytes);
}

std::vector<IndexEntry> CdxFile::walk(std::uint64_t headerOffset, std::size_t keyLength, KeyEncoding encoding,
                                      std::size_t prefixBytes) const {
    const std::string name = file_.path().filename().string();
    PageWalk guard(name, file_.size());
    std::uint8_t bytes[4];
    file_.read(headerOffset, bytes, 4);
    std::uint64_t offset = le32(bytes);
    std::uint8_t node[kNodeSize];
    auto load = [&](std::uint64_t at) {
        guard.enter(at);
        std::memset(node, 0, kNodeSize);
        file_.read(at, node, kNodeSize);
    };

    // Down the leftmost branch to the first leaf.
    for (std::size_t depth = 0;; ++depth) {
        if (depth > kMaxDepth) guard.fail("tree is deeper than any real index");
        load(offset);
        if (le16(node) & kLeafAttribute) break;
        if (le16(node + 2) == 0 || kBranchEntriesStart + keyLength + 8 > kNodeSize)
            guard.fail("branch at offset " + std::to_string(offset) + " is empty");
        offset = be32(node + kBranchEntriesStart + keyLength + 4);
    }

    std::vector<IndexEntry> out;
    const char pad = encoding == KeyEncoding::Raw ? ' ' : '\0';
    std::string previous(keyLength, pad), key(keyLength, pad);
    for (;;) {
        const std::size_t count = le16(node + 2);
        const std::uint32_t recordMask = le32(node + 14);
        const std::uint8_t duplicateMask = node[18], trailMask = node[19];
        const unsigned recordBits = node[20], duplicateBits = node[21];
        const std::size_t entryBytes = node[23];
        if (entryBytes == 0 || entryBytes > 8 || kLeafEntriesStart + count * entryBytes > kNodeSize ||
            recordBits + duplicateBits >= 64)
            guard.fail("leaf at offset " + std::to_string(offset) + " has entries that do not fit");
        std::size_t keyEnd = kNodeSize;
        for (std::size_t i = 0; i < count; ++i) {
            std::uint64_t v = 0;
            for (std::size_t b = 0; b < entryBytes; ++b)
                v |= std::uint64_t{node[kLeafEntriesStart + i * entryBytes + b]} << (8 * b);
            const std::size_t duplicates = (v >> recordBits) & duplicateMask;
            const std::size_t trailing = (v >> (recordBits + duplicateBits)) & trailMask;
            if (duplicates + trailing > keyLength)
                guard.fail("leaf at offset " + std::to_string(offset) + " has a key longer than the key length");
            const std::size_t fresh = keyLength - duplicates - trailing;
            if (fresh > keyEnd - (kLeafEntriesStart + count * entryBytes))
                guard.fail("leaf at offset " + std::to_string(offset) + " has keys that overlap its entries");
            keyEnd -= fresh;
            key.assign(previous, 0, duplicates);
            key.append(reinterpret_cast<const char*>(node + keyEnd), fresh);
            key.append(trailing, pad);
            IndexEntry entry;
            entry.record = v & recordMask;
            decodeKey(reinterpret_cast<const std::uint8_t*>(key.data()) + prefixBytes, keyLength - prefixBytes,
                      encoding, entry);
            out.push_back(std::move(entry));
            previous = key;
        }
        const std::uint32_t right = le32(node + 8);
        if (right == kNone) break;
        offset = right;
        load(offset);
        if (!(le16(node) & kLeafAttribute))
            guard.fail("leaf chain at offset " + std::to_string(offset) + " reaches a branch");
        previous.assign(keyLength, pad);
    }
    return out;
}

}  // namespace tabulon::dbase
