#include "NdxFile.h"

#include <cstring>
#include <functional>

#include "ByteOrder.h"
#include "IndexKeyCodec.h"
#include "PageWalk.h"

namespace tabulon::dbase {

namespace {
constexpr std::size_t kExpressionOffset = 24;
constexpr std::size_t kMaxDepth = 64;
}  // namespace

NdxFile::NdxFile(PagedFile file) : file_(std::move(file)) { parse(); }

void NdxFile::reload() {
    tags_.clear();
    parse();
}

void NdxFile::parse() {
    const std::string name = file_.path().filename().string();
    std::uint8_t header[kPageSize] = {};
    if (file_.read(0, header, kPageSize) < kPageSize)
        throw EngineError(errkind::kFormat, name + " is not an NDX index: it is shorter than its header");
    root_ = le32(header);
    IndexTag tag;
    tag.keyLength = le16(header + 12);
    entrySize_ = le16(header + 18);
    tag.typeLetter = le16(header + 16) == 0 ? 'C' : 'N';
    if (tag.keyLength == 0 || tag.keyLength > 100 || entrySize_ < tag.keyLength + 8 || entrySize_ > kPageSize - 4)
        throw EngineError(errkind::kFormat, name + ": the key length " + std::to_string(tag.keyLength) +
                                                " and entry size " + std::to_string(entrySize_) + " do not fit a page");
    if (root_ == 0 || std::uint64_t{root_} * kPageSize >= file_.size())
        throw EngineError(errkind::kFormat,
                          name + ": the root page " + std::to_string(root_) + " lies outside the file");
    const char* expression = reinterpret_cast<const char*>(header + kExpressionOffset);
    tag.def.expression.assign(expression, strnlen(expression, kPageSize - kExpressionOffset));
    while (!tag.def.expression.empty() && tag.def.expression.back() == ' ') tag.def.expression.pop_back();
    tag.def.name = file_.path().filename().string();
    tag.def.file = tag.def.name;
    if (header[23]) tag.def.options |= ixUnique;
    tags_.push_back(std::move(tag));
}

std::optional<TreeShape> NdxFile::treeShape(std::size_t) const {
    return TreeShape{&file_, 0, kPageSize, 4, entrySize_, 8, 4, tags_.front().keyLength, true};
}

std::vector<IndexEntry> NdxFile::load(std::size_t, KeyEncoding encoding, std::size_t prefixBytes) const {
    const IndexTag& tag = tags_.front();
    PageWalk walk(file_.path().filename().string(), file_.size());
    std::vector<IndexEntry> out;
    std::uint8_t page[kPageSize];
    const std::size_t capacity = (kPageSize - 4) / entrySize_;
    std::function<void(std::uint32_t, std::size_t)> visit = [&](std::uint32_t number, std::size_t depth) {
        if (depth > kMaxDepth) walk.fail("tree is deeper than any real index");
        walk.enter(std::uint64_t{number} * kPageSize);
        std::memset(page, 0, kPageSize);
        file_.read(std::uint64_t{number} * kPageSize, page, kPageSize);
        const std::uint32_t count = le32(page);
        if (count > capacity) walk.fail("at page " + std::to_string(number) + " holds more keys than fit");
        const bool leaf = count == 0 || le32(page + 4) == 0;
        std::vector<std::uint32_t> children;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = page + 4 + i * entrySize_;
            if (leaf) {
                IndexEntry e;
                e.record = le32(entry + 4);
                decodeKey(entry + 8 + prefixBytes, tag.keyLength - prefixBytes, encoding, e);
                out.push_back(std::move(e));
            } else {
                children.push_back(le32(entry));
            }
        }
        if (!leaf && 4 + count * entrySize_ + 4 <= kPageSize) {
            const std::uint32_t last = le32(page + 4 + count * entrySize_);
            if (last != 0) children.push_back(last);
        }
        for (std::uint32_t child : children) visit(child, depth + 1);
    };
    visit(root_, 0);
    return out;
}

}  // namespace tabulon::dbase
