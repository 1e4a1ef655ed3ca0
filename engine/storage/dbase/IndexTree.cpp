#include "IndexTree.h"

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
constexpr std::uint64_t kMdxPagesInFile = 32;  // then the first free page
constexpr std::uint64_t kNdxPagesInFile = 4;
}  // namespace

IndexTree IndexTree::ofMdxTag(PagedFile& file, std::uint64_t tagHeader) {
    std::uint8_t bytes[24] = {};
    file.read(20, bytes, 4);
    Shape shape;
    shape.nodeSize = le16(bytes + 2);
    shape.entriesAt = 8;
    shape.keyAt = 4;
    shape.recordAt = 0;
    shape.rootAt = tagHeader;
    file.read(tagHeader, bytes, sizeof bytes);
    shape.entryLength = le16(bytes + 18);
    const char type = static_cast<char>(bytes[9]);
    return IndexTree(file, shape, le16(bytes + 12),
                     type == 'C'   ? KeyForm::Bytes
                     : type == 'N' ? KeyForm::Bcd
                                   : KeyForm::Double,
                     bytes[8] & 0x08);
}

IndexTree IndexTree::ofNdx(PagedFile& file) {
    std::uint8_t bytes[24] = {};
    file.read(0, bytes, sizeof bytes);
    Shape shape;
    shape.nodeSize = kPageSize;
    shape.entriesAt = 4;
    shape.keyAt = 8;
    shape.recordAt = 4;
    shape.ndx = true;
    shape.rootAt = 0;
    shape.entryLength = le16(bytes + 18);
    return IndexTree(file, shape, le16(bytes + 12), le16(bytes + 16) == 0 ? KeyForm::Bytes : KeyForm::Double, false);
}

IndexTree::IndexTree(PagedFile& file, Shape shape, std::size_t keyLength, KeyForm form, bool descending)
    : file_(&file), shape_(shape), keyLength_(keyLength), form_(form), descending_(descending) {
    std::uint8_t root[4] = {};
    file_->read(shape_.rootAt, root, 4);
    root_ = le32(root);
    const std::size_t overhead = shape_.entriesAt + 4;  // the count and a branch's closing pointer
    if (shape_.nodeSize < kPageSize || shape_.nodeSize % kPageSize || keyLength_ == 0 ||
        shape_.entryLength < shape_.keyAt + keyLength_ || shape_.entryLength + overhead > shape_.nodeSize ||
        (form_ != KeyForm::Bytes && keyLength_ < (form_ == KeyForm::Bcd ? 12u : 8u)))
        damaged("its header does not describe a tree that can be kept up to date");
    capacity_ = (shape_.nodeSize - overhead) / shape_.entryLength;
}

void IndexTree::damaged(const std::string& why) const {
    throw EngineError(errkind::kFormat, file_->path().filename().string() + ": " + why);
}

std::string IndexTree::padded(const std::string& key) const {
    std::string out = key;
    out.resize(shape_.entryLength - shape_.keyAt, '\0');
    return out;
}

int IndexTree::compareKeys(const char* a, const char* b) const {
    int c = 0;
    if (form_ == KeyForm::Bytes) {
        c = std::memcmp(a, b, keyLength_);
    } else {
        const auto* pa = reinterpret_cast<const std::uint8_t*>(a);
        const auto* pb = reinterpret_cast<const std::uint8_t*>(b);
        const double x = form_ == KeyForm::Bcd ? decodeBcdKey(pa) : std::bit_cast<double>(le64(pa));
        const double y = form_ == KeyForm::Bcd ? decodeBcdKey(pb) : std::bit_cast<double>(le64(pb));
        c = x < y ? -1 : x > y;
    }
    return descending_ ? -c : c;
}

int IndexTree::compareEntry(const std::string& key, RecordId record, const std::string& otherKey,
                            RecordId otherRecord) const {
    const int c = compareKeys(key, otherKey);
    if (c != 0) return c;
    return record < otherRecord ? -1 : record > otherRecord;
}

IndexTree::Stored IndexTree::readStored(std::uint32_t page, std::vector<std::uint8_t>& block) const {
    const std::uint64_t offset = std::uint64_t{page} * kPageSize;
    if (page == 0 || offset >= file_->size())
        damaged("an index page points to page " + std::to_string(page) + ", outside the file");
    block.assign(shape_.nodeSize, 0);
    file_->read(offset, block.data(), block.size());
    Stored node;
    node.count = le32(block.data());
    if (node.count > (shape_.nodeSize - shape_.entriesAt) / shape_.entryLength)
        damaged("the index page " + std::to_string(page) + " holds more keys than fit");
    const std::size_t after = shape_.entriesAt + node.count * shape_.entryLength;
    // A leaf is told from a branch by its child pointers: an NDX leaf's entries have none, and
    // nothing follows an MDX leaf's last entry.
    if (shape_.ndx)
        node.leaf = node.count == 0 || le32(block.data() + shape_.entriesAt) == 0;
    else
        node.leaf = after + 4 > shape_.nodeSize || le32(block.data() + after) == 0;
    return node;
}

std::uint32_t IndexTree::pointerAt(const std::vector<std::uint8_t>& block, const Stored& node, std::size_t i) const {
    return le32(entryAt(block, i) + (node.leaf ? shape_.recordAt : 0));
}

IndexTree::Node IndexTree::readNode(std::uint32_t page) const {
    std::vector<std::uint8_t> block;
    const Stored stored = readStored(page, block);
    return nodeOf(page, block, stored);
}

IndexTree::Node IndexTree::nodeOf(std::uint32_t page, const std::vector<std::uint8_t>& block,
                                  const Stored& stored) const {
    Node node;
    node.page = page;
    node.leaf = stored.leaf;
    node.items.reserve(stored.count + 1);
    for (std::uint32_t i = 0; i < stored.count; ++i)
        node.items.emplace_back(pointerAt(block, stored, i),
                                std::string(reinterpret_cast<const char*>(entryAt(block, i) + shape_.keyAt),
                                            shape_.entryLength - shape_.keyAt));
    if (!node.leaf) node.items.emplace_back(pointerAt(block, stored, stored.count), std::string());
    return node;
}

void IndexTree::writeNode(const Node& node) {
    std::vector<std::uint8_t> block(shape_.nodeSize, 0);
    const std::size_t keys = node.leaf ? node.items.size() : node.items.size() - 1;
    putLe32(block.data(), static_cast<std::uint32_t>(keys));
    for (std::size_t i = 0; i < node.items.size(); ++i) {
        std::uint8_t* entry = block.data() + shape_.entriesAt + i * shape_.entryLength;
        putLe32(entry + (node.leaf ? shape_.recordAt : 0), node.items[i].first);
        if (i < keys)
            std::memcpy(entry + shape_.keyAt, node.items[i].second.data(),
                        std::min(node.items[i].second.size(), shape_.entryLength - shape_.keyAt));
    }
    file_->write(std::uint64_t{node.page} * kPageSize, block.data(), block.size());
}

std::uint32_t IndexTree::allocateNode() {
    // From the file's true end: a damaged counter must not send a node far past it.
    const auto end = static_cast<std::uint32_t>((file_->size() + kPageSize - 1) / kPageSize);
    const auto next = static_cast<std::uint32_t>(end + shape_.nodeSize / kPageSize);
    const std::vector<std::uint8_t> zeros(shape_.nodeSize, 0);
    file_->write(std::uint64_t{end} * kPageSize, zeros.data(), zeros.size());
    std::uint8_t counters[8] = {};
    if (shape_.ndx) {
        putLe32(counters, next);
        file_->write(kNdxPagesInFile, counters, 4);
        return end;
    }
    file_->read(kMdxPagesInFile, counters, sizeof counters);
    // A first free page below the end starts a list of freed blocks, which is left as it is.
    const bool noFreeList = le32(counters + 4) >= le32(counters) || le32(counters + 4) >= end;
    putLe32(counters, next);
    if (noFreeList) putLe32(counters + 4, next);
    file_->write(kMdxPagesInFile, counters, sizeof counters);
    return end;
}

std::optional<std::pair<std::uint32_t, std::string>> IndexTree::lastEntryUnder(std::uint32_t page) const {
    std::vector<std::uint8_t> block;
    for (std::size_t depth = 0; depth <= kMaxDepth; ++depth) {
        const Stored node = readStored(page, block);
        if (node.leaf) {
            if (node.count == 0) return std::nullopt;
            const std::uint8_t* entry = entryAt(block, node.count - 1);
            return std::pair{
                le32(entry + shape_.recordAt),
                std::string(reinterpret_cast<const char*>(entry + shape_.keyAt), shape_.entryLength - shape_.keyAt)};
        }
        page = pointerAt(block, node, node.count);
    }
    damaged("the index tree is deeper than any real index");
}

std::size_t IndexTree::childFor(const std::vector<std::uint8_t>& block, const Stored& node, const std::string& key,
                                RecordId record) const {
    auto bound = [&](std::size_t i) { return reinterpret_cast<const char*>(entryAt(block, i) + shape_.keyAt); };
    const std::size_t last = node.count;
    std::size_t first = 0;
    while (first < last && compareKeys(bound(first), key.data()) < 0) ++first;
    std::size_t end = first;
    while (end < last && compareKeys(bound(end), key.data()) == 0) ++end;
    if (first == end) return first;
    // Equal keys may run on through the children [first, end): the entry goes to the first
    // child there that holds entries, the highest not below the entry, else to `end`. Those
    // highest entries rise from child to child, so a binary search finds it; a long run of one
    // key (a city, a flag) would otherwise cost a walk down every child of the run per insert.
    // From child `i` on, the first child holding entries and whether its highest is not below
    // the entry (`end` and true when none holds any).
    auto nextHolding = [&](std::size_t i) {
        for (; i < end; ++i)
            if (const auto highest = lastEntryUnder(pointerAt(block, node, i)))
                return std::pair{i, compareEntry(highest->second, highest->first, key, record) >= 0};
        return std::pair{end, true};
    };
    // Records mostly come in order, rising or falling: the entry then belongs before the run's
    // first entries or after its last ones.
    const auto [firstHolding, firstTakesIt] = nextHolding(first);
    if (firstTakesIt) return firstHolding;
    const auto [lastHolding, takesIt] = nextHolding(end - 1);
    if (!takesIt) return end;
    // Child `high` is known to lead to the place, `found`; every child below `low` not.
    std::size_t low = firstHolding + 1;
    std::size_t high = end - 1;
    std::size_t found = lastHolding;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        const auto [at, higher] = nextHolding(middle);
        if (higher) {
            high = middle;
            found = at;
        } else {
            low = at + 1;
        }
    }
    return found;
}

void IndexTree::insert(const std::string& given, RecordId record) {
    const std::string key = padded(given);
    // Branches passed, with the child taken: taken apart only when a split reaches them.
    std::vector<std::pair<std::uint32_t, std::size_t>> path;
    std::vector<std::uint8_t> block;
    std::uint32_t page = root_;
    Stored stored = readStored(page, block);
    while (!stored.leaf) {
        if (path.size() >= kMaxDepth) damaged("the index tree is deeper than any real index");
        const std::size_t i = childFor(block, stored, key, record);
        path.emplace_back(page, i);
        page = pointerAt(block, stored, i);
        stored = readStored(page, block);
    }
    Node node = nodeOf(page, block, stored);
    const auto at = std::find_if(node.items.begin(), node.items.end(), [&](const auto& item) {
        return compareEntry(key, record, item.second, item.first) < 0;
    });
    node.items.emplace(at, static_cast<std::uint32_t>(record), key);
    while ((node.leaf ? node.items.size() : node.items.size() - 1) > capacity_) {
        Node right;
        right.leaf = node.leaf;
        right.page = allocateNode();
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
            root.page = allocateNode();
            root.items = {{node.page, leftBound}, {right.page, std::string()}};
            writeNode(root);
            root_ = root.page;
            std::uint8_t bytes[4];
            putLe32(bytes, root_);
            file_->write(shape_.rootAt, bytes, 4);
            return;
        }
        const auto [parentPage, i] = path.back();
        path.pop_back();
        Node parent = readNode(parentPage);
        const std::string oldBound = parent.items[i].second;
        parent.items[i] = {node.page, leftBound};
        parent.items.emplace(parent.items.begin() + static_cast<std::ptrdiff_t>(i) + 1, right.page, oldBound);
        node = std::move(parent);
    }
    writeNode(node);
}

bool IndexTree::findUnder(std::uint32_t page, const std::string& key, RecordId record,
                          std::unordered_set<std::uint32_t>& seen) {
    if (!seen.insert(page).second) damaged("an index page loops back to page " + std::to_string(page));
    // Looked at as stored: only the node that loses an entry is taken apart.
    std::vector<std::uint8_t> block;
    const Stored node = readStored(page, block);
    auto keyAt = [&](std::size_t i) { return reinterpret_cast<const char*>(entryAt(block, i) + shape_.keyAt); };
    if (node.leaf) {
        std::size_t i = 0;
        while (i < node.count &&
               !((record == 0 || pointerAt(block, node, i) == record) && compareKeys(keyAt(i), key.data()) == 0))
            ++i;
        if (i == node.count) return false;
        if (record != 0) {
            Node changed = readNode(page);
            changed.items.erase(changed.items.begin() + static_cast<std::ptrdiff_t>(i));
            writeNode(changed);
        }
        return true;
    }
    // Equal keys may run on from one child into the next.
    for (std::size_t i = 0; i <= node.count; ++i) {
        const int c = i < node.count ? compareKeys(keyAt(i), key.data()) : 1;
        if (c < 0) continue;
        if (findUnder(pointerAt(block, node, i), key, record, seen)) return true;
        if (c > 0) return false;
    }
    return false;
}

bool IndexTree::remove(const std::string& key, RecordId record) {
    if (record == 0) return false;
    std::unordered_set<std::uint32_t> seen;
    return findUnder(root_, padded(key), record, seen);
}

bool IndexTree::contains(const std::string& key) {
    std::unordered_set<std::uint32_t> seen;
    return findUnder(root_, padded(key), 0, seen);
}

}  // namespace tabulon::dbase
