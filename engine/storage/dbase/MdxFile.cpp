#include "MdxFile.h"

#include <cstring>
#include <functional>

#include "ByteOrder.h"
#include "IndexKeyCodec.h"
#include "MdxWriter.h"
#include "PageWalk.h"

namespace tabulon::dbase {

namespace {
constexpr std::uint64_t kTagTableOffset = 544;
constexpr std::size_t kTagEntrySize = 32;
constexpr std::size_t kMaxTags = 48;
constexpr std::size_t kExpressionOffset = 24;
constexpr std::size_t kMaxDepth = 64;

}  // namespace

MdxFile::MdxFile(PagedFile file) : file_(std::move(file)) { parse(); }

void MdxFile::reload() {
    tags_.clear();
    layouts_.clear();
    skipped_.clear();
    parse();
}

void MdxFile::parse() {
    const std::string name = file_.path().filename().string();
    std::uint8_t header[kPageSize] = {};
    if (file_.read(0, header, kPageSize) < kPageSize)
        throw EngineError(errkind::kFormat, name + " is not an MDX index: it is shorter than its header");
    const std::uint32_t pagesPerBlock = le16(header + 20);
    blockSize_ = le16(header + 22);
    const std::size_t inUse = le16(header + 28);
    if (pagesPerBlock == 0 || blockSize_ != pagesPerBlock * kPageSize)
        throw EngineError(errkind::kFormat,
                          name + ": the block size " + std::to_string(blockSize_) + " is not a whole number of pages");
    if (inUse > kMaxTags) throw EngineError(errkind::kFormat, name + ": it claims " + std::to_string(inUse) + " tags");
    for (std::size_t i = 0; i < inUse; ++i) {
        std::uint8_t entry[kTagEntrySize] = {};
        file_.read(kTagTableOffset + i * kTagEntrySize, entry, kTagEntrySize);
        const std::uint32_t headerPage = le32(entry);
        const std::string tagName = cString(entry + 4, 11);
        if (headerPage == 0 || std::uint64_t{headerPage} * kPageSize >= file_.size()) {
            skipped_.push_back("tag " + tagName + ": its header lies outside the file");
            continue;
        }
        std::uint8_t tagHeader[mdx::kForClause + mdx::kExpressionRoom] = {};
        file_.read(std::uint64_t{headerPage} * kPageSize, tagHeader, sizeof tagHeader);
        IndexTag tag;
        TagLayout layout;
        layout.root = le32(tagHeader);
        tag.typeLetter = static_cast<char>(tagHeader[9]);
        tag.keyLength = le16(tagHeader + 12);
        layout.entryLength = le16(tagHeader + 18);
        tag.descending = tagHeader[8] & 0x08;
        tag.header = std::uint64_t{headerPage} * kPageSize;
        tag.def.name = tagName;
        tag.def.file = name;
        tag.def.expression = cString(tagHeader + kExpressionOffset, mdx::kExpressionRoom);
        if (tagHeader[mdx::kHasForClause] == 1)
            tag.def.condition = cString(tagHeader + mdx::kForClause, mdx::kExpressionRoom);
        if ((tagHeader[8] & 0x40) || tagHeader[23]) tag.def.options |= ixUnique;
        if (tag.descending) tag.def.options |= ixDescending;
        if (tag.keyLength == 0 || layout.entryLength < tag.keyLength + 4 || layout.entryLength > blockSize_ - 12 ||
            layout.root == 0 || std::uint64_t{layout.root} * kPageSize >= file_.size()) {
            skipped_.push_back("tag " + tagName + ": its header does not describe a usable tree");
            continue;
        }
        tags_.push_back(std::move(tag));
        layouts_.push_back(layout);
    }
}

std::optional<TreeShape> MdxFile::treeShape(std::size_t index) const {
    if (index >= tags_.size()) return std::nullopt;
    return TreeShape{&file_, tags_[index].header,    blockSize_, 8, layouts_[index].entryLength, 4,
                     0,      tags_[index].keyLength, false};
}

std::vector<IndexEntry> MdxFile::load(std::size_t index, KeyEncoding encoding, std::size_t prefixBytes) const {
    const IndexTag& tag = tags_.at(index);
    const TagLayout& layout = layouts_.at(index);
    PageWalk walk(file_.path().filename().string(), file_.size());
    std::vector<IndexEntry> out;
    std::vector<std::uint8_t> block(blockSize_);
    const std::size_t capacity = (blockSize_ - 8) / layout.entryLength;
    std::function<void(std::uint32_t, std::size_t)> visit = [&](std::uint32_t page, std::size_t depth) {
        if (depth > kMaxDepth) walk.fail("tree is deeper than any real index");
        const std::uint64_t offset = std::uint64_t{page} * kPageSize;
        walk.enter(offset);
        std::fill(block.begin(), block.end(), 0);
        file_.read(offset, block.data(), blockSize_);
        const std::uint32_t count = le32(block.data());
        if (count > capacity) walk.fail("at page " + std::to_string(page) + " holds more keys than fit");
        // A branch has one pointer more than keys; in a leaf that slot is zero.
        const std::size_t after = 8 + count * layout.entryLength;
        const bool leaf = after + 4 > blockSize_ || le32(block.data() + after) == 0;
        std::vector<std::uint32_t> children;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = block.data() + 8 + i * layout.entryLength;
            if (leaf) {
                IndexEntry e;
                e.record = le32(entry);
                decodeKey(entry + 4 + prefixBytes, tag.keyLength - prefixBytes, encoding, e);
                out.push_back(std::move(e));
            } else {
                children.push_back(le32(entry));
            }
        }
        if (!leaf) children.push_back(le32(block.data() + after));
        for (std::uint32_t child : children) visit(child, depth + 1);
    };
    visit(layout.root, 0);
    return out;
}

}  // namespace tabulon::dbase
