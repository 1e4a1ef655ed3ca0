#include "MdxTagTree.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "../../core/EngineError.h"
#include "ByteOrder.h"
#include "IndexKeyCodec.h"

namespace tabulon::dbase {

namespace {
constexpr std::uint64_t kPageSize = 512;
constexpr std::size_t kMaxDepth = 64;
constexpr std::uint64_t kPagesInFile = 32;
constexpr std::uint64_t kFirstFreePage = 36;
}  // namespace

MdxTagTree::MdxTagTree(PagedFile& file, std::uint64_t tagHeader) : file_(file), tagHeader_(tagHeader) {
    std::uint8_t header[24] = {};
    file_.read(20, header, 4);
    blockSize_ = le16(header + 2);
    file_.read(tagHeader_, header, sizeof header);
    root_ = le32(header);
    descending_ = header[8] & 0x08;
    keyType_ = static_cast<char>(header[9]);
    keyLength_ = le16(header + 12);
    entryLength_ = le16(header + 18);
    if (blockSize_ < kPageSize || blockSize_ % kPageSize || keyLength_ == 0 || entryLength_ < keyLength_ + 4 ||
        entryLength_ > blockSize_ - 12)
        damaged("its tag header does not describe a usable tree");
    // The slot after a leaf's last entry stays zero: that is how a leaf is told from a branch.
    capacity_ = (blockSize_ - 12) / entryLength_;
}

void MdxTagTree::damaged(const std::string& why) const {
    throw EngineError(errkind::kFormat, file_.path().filename().string() + ": " + why);
}

int MdxTagTree::compareKeys(const std::string& a, const std::string& b) const {
    int c = 0;
    if (keyType_ == 'C') {
        c = std::memcmp(a.data(), b.data(), keyLength_);
    } else {
        const auto* pa = reinterpret_cast<const std::uint8_t*>(a.data());
        const auto* pb = reinterpret_cast<const std::uint8_t*>(b.data());
        const double x = keyType_ == 'N' ? decodeBcdKey(pa) : std::bit_cast<double>(le64(pa));
        const double y = keyType_ == 'N' ? decodeBcdKey(pb) : std::bit_cast<double>(le64(pb));
        c = x < y ? -1 : x > y;
    }
    return descending_ ? -c : c;
}

int MdxTagTree::compareEntry(const std::string& key, RecordId record, const std::string& otherKey,
                             RecordId otherRecord) const {
    const int c = compareKeys(key, otherKey);
    if (c != 0) return c;
    return record < otherRecord ? -1 : record > otherRecord;
}

MdxTagTree::Node MdxTagTree::readNode(std::uint32_t page) const {
    const std::uint64_t offset = std::uint64_t{page} * kPageSize;
    if (page == 0 || offset >= file_.size())
        damaged("an index page points to page " + std::to_string(page) + ", outside the file");
    std::vector<std::uint8_t> block(blockSize_, 0);
    file_.read(offset, block.data(), blockSize_);
    const std::uint32_t count = le32(block.data());
    if (count > (blockSize_ - 8) / entryLength_)
        damaged("the index page " + std::to_string(page) + " holds more keys than fit");
    const std::size_t after = 8 + count * entryLength_;
    Node node;
    node.page = page;
    node.leaf = after + 4 > blockSize_ || le32(block.data() + after) == 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = block.data() + 8 + i * entryLength_;
        node.items.emplace_back(le32(entry), std::string(reinterpret_cast<const char*>(entry + 4), entryLength_ - 4));
    }
    if (!node.leaf) node.items.emplace_back(le32(block.data() + after), std::string());
    return node;
}

void MdxTagTree::writeNode(const Node& node) {
    std::vector<std::uint8_t> block(blockSize_, 0);
    const std::size_t keys = node.leaf ? node.items.size() : node.items.size() - 1;
    putLe32(block.data(), static_cast<std::uint32_t>(keys));
    for (std::size_t i = 0; i < node.items.size(); ++i) {
        std::uint8_t* entry = block.data() + 8 + i * entryLength_;
        putLe32(entry, node.items[i].first);
        if (i < keys) std::memcpy(entry + 4, node.items[i].second.data(), std::min(node.items[i].second.size(), entryLength_ - 4));
    }
    file_.write(std::uint64_t{node.page} * kPageSize, block.data(), block.size());
}

std::uint32_t MdxTagTree::allocateBlock() {
    std::uint8_t counters[8] = {};
    file_.read(kPagesInFile, counters, sizeof counters);
    const auto pagesPerBlock = static_cast<std::uint32_t>(blockSize_ / kPageSize);
    // From the file's true end: a damaged counter must not send a block far past it.
    const auto end = static_cast<std::uint32_t>((file_.size() + kPageSize - 1) / kPageSize);
    const std::vector<std::uint8_t> zeros(blockSize_, 0);
    file_.write(std::uint64_t{end} * kPageSize, zeros.data(), zeros.size());
    // A first free page below the end starts a list of freed blocks, which is left as it is.
    const bool noFreeList = le32(counters + 4) >= le32(counters) || le32(counters + 4) >= end;
    putLe32(counters, end + pagesPerBlock);
    if (noFreeList) putLe32(counters + 4, end + pagesPerBlock);
    file_.write(kPagesInFile, counters, sizeof counters);
    return end;
}

std::optional<std::pair<std::uint32_t, std::string>> MdxTagTree::lastEntryUnder(std::uint32_t page) const {
    for (std::size_t depth = 0; depth <= kMaxDepth; ++depth) {
        Node node = readNode(page);
        if (node.leaf) {
            if (node.items.empty()) return std::nullopt;
            return std::move(node.items.back());
        }
        page = node.items.back().first;
    }
    damaged("the index tree is deeper than any real index");
}

void MdxTagTree::insert(const std::string& given, RecordId record) {
    std::string key = given;
    key.resize(entryLength_ - 4, '\0');
    std::vector<std::pair<Node, std::size_t>> path;  // branches passed, with the child taken
    Node node = readNode(root_);
    while (!node.leaf) {
        if (path.size() >= kMaxDepth) damaged("the index tree is deeper than any real index");
        std::size_t i = 0;
        for (const std::size_t last = node.items.size() - 1; i < last; ++i) {
            // Equal keys may run on into the next child; the entry goes where its record falls.
            const int c = compareKeys(node.items[i].second, key);
            if (c > 0) break;
            if (c < 0) continue;
            const auto highest = lastEntryUnder(node.items[i].first);
            if (highest && compareEntry(highest->second, highest->first, key, record) >= 0) break;
        }
        const std::uint32_t child = node.items[i].first;
        path.emplace_back(std::move(node), i);
        node = readNode(child);
    }
    const auto at = std::find_if(node.items.begin(), node.items.end(), [&](const auto& item) {
        return compareEntry(key, record, item.second, item.first) < 0;
    });
    node.items.emplace(at, static_cast<std::uint32_t>(record), key);
    while ((node.leaf ? node.items.size() : node.items.size() - 1) > capacity_) {
        Node right;
        right.leaf = node.leaf;
        right.page = allocateBlock();
        const std::size_t half = node.items.size() / 2;
        right.items.assign(node.items.begin() + static_cast<std::ptrdiff_t>(half), node.items.end());
        node.items.resize(half);
        // The left half's highest key bounds it in the parent; in a branch that child becomes
        // the extra pointer, its key moving up.
        const std::string leftBound = node.items.back().second;
        writeNode(node);
        writeNode(right);
        if (path.empty()) {
            Node root;
            root.leaf = false;
            root.page = allocateBlock();
            root.items = {{node.page, leftBound}, {right.page, std::string()}};
            writeNode(root);
            root_ = root.page;
            std::uint8_t bytes[4];
            putLe32(bytes, root_);
            file_.write(tagHeader_, bytes, 4);
            return;
        }
        auto [parent, i] = std::move(path.back());
        path.pop_back();
        const std::string oldBound = parent.items[i].second;
        parent.items[i] = {node.page, leftBound};
        parent.items.emplace(parent.items.begin() + static_cast<std::ptrdiff_t>(i) + 1, right.page, oldBound);
        node = std::move(parent);
    }
    writeNode(node);
}

bool MdxTagTree::findUnder(std::uint32_t page, const std::string& key, RecordId record, std::unordered_set<std::uint32_t>& seen) {
    if (!seen.insert(page).second) damaged("an index page loops back to page " + std::to_string(page));
    Node node = readNode(page);
    if (node.leaf) {
        const auto found = std::find_if(node.items.begin(), node.items.end(), [&](const auto& item) {
            return (record == 0 || item.first == record) && compareKeys(item.second, key) == 0;
        });
        if (found == node.items.end()) return false;
        if (record != 0) {
            node.items.erase(found);
            writeNode(node);
        }
        return true;
    }
    // Equal keys may run on from one child into the next.
    for (std::size_t i = 0, last = node.items.size() - 1; i <= last; ++i) {
        const int c = i < last ? compareKeys(node.items[i].second, key) : 1;
        if (c < 0) continue;
        if (findUnder(node.items[i].first, key, record, seen)) return true;
        if (c > 0) return false;
    }
    return false;
}

bool MdxTagTree::remove(const std::string& given, RecordId record) {
    if (record == 0) return false;
    std::string key = given;
    key.resize(entryLength_ - 4, '\0');
    std::unordered_set<std::uint32_t> seen;
    return findUnder(root_, key, record, seen);
}

bool MdxTagTree::contains(const std::string& given) {
    std::string key = given;
    key.resize(entryLength_ - 4, '\0');
    std::unordered_set<std::uint32_t> seen;
    return findUnder(root_, key, 0, seen);
}

}  // namespace tabulon::dbase
