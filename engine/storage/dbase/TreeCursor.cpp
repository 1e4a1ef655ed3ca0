#include "TreeCursor.h"

#include <algorithm>

#include "../../core/EngineError.h"
#include "ByteOrder.h"
#include "IndexKeyCodec.h"

namespace tabulon::dbase {

namespace {
constexpr std::uint64_t kPageUnit = 512;
constexpr std::size_t kMaxDepth = 64;
}  // namespace

TreeCursor::TreeCursor(IndexDef definition, const IndexFile& file, std::size_t tag, KeyLayout layout, bool descending,
                       const TextCodec& codec, std::function<bool(RecordId)> live)
    : definition_(std::move(definition)),
      file_(file),
      tag_(tag),
      layout_(layout),
      order_(definition_.name, layout.type, descending, codec),
      live_(std::move(live)) {
    // The way down to the first leaf is read at once, so a tree damaged from its root is
    // refused when opened, as a loading cursor would refuse it.
    descend(begin(), false);
    path_.clear();
}

void TreeCursor::damaged(const std::string& why) const {
    throw EngineError(errkind::kFormat,
                      file_.path().filename().string() + ": the tree of tag " + definition_.name + " " + why);
}

std::uint32_t TreeCursor::begin() {
    const std::optional<TreeShape> shape = file_.treeShape(tag_);
    if (!shape) damaged("can no longer be read");
    shape_ = *shape;
    changes_ = shape_.file->changes();
    // A sound tree is read once over by a whole walk; twice as many reads can only be a loop.
    budget_ = 2 * (shape_.file->size() / shape_.nodeSize + 1) + 2 * kMaxDepth;
    path_.clear();
    std::uint8_t root[4] = {};
    shape_.file->read(shape_.rootAt, root, sizeof root);
    return le32(root);
}

TreeCursor::Node TreeCursor::read(std::uint32_t page) {
    if (budget_ == 0) damaged("leads round in a loop");
    --budget_;
    const std::uint64_t offset = std::uint64_t{page} * kPageUnit;
    if (page == 0 || offset >= shape_.file->size())
        damaged("points to page " + std::to_string(page) + ", outside the file");
    for (const Node& above : path_)
        if (above.page == page) damaged("loops back to page " + std::to_string(page));
    Node node;
    node.page = page;
    node.bytes.assign(shape_.nodeSize, 0);
    shape_.file->read(offset, node.bytes.data(), node.bytes.size());
    const std::uint32_t count = le32(node.bytes.data());
    if (count > (shape_.nodeSize - shape_.entriesAt) / shape_.entryLength)
        damaged("has a page " + std::to_string(page) + " holding more keys than fit");
    node.count = count;
    // A branch has a pointer after its last key; an NDX leaf's entries have no child pointer.
    const std::size_t after = shape_.entriesAt + count * shape_.entryLength;
    const bool closing = after + 4 <= shape_.nodeSize && le32(node.bytes.data() + after) != 0;
    node.leaf = shape_.ndx ? count == 0 || le32(node.bytes.data() + shape_.entriesAt) == 0 : !closing;
    node.children = node.leaf ? 0 : node.count + (closing ? 1 : 0);
    return node;
}

std::uint32_t TreeCursor::childOf(const Node& branch, std::ptrdiff_t i) const {
    return le32(branch.bytes.data() + shape_.entriesAt + static_cast<std::size_t>(i) * shape_.entryLength);
}

RecordId TreeCursor::recordOf(const Node& leaf, std::ptrdiff_t i) const {
    return le32(leaf.bytes.data() + shape_.entriesAt + static_cast<std::size_t>(i) * shape_.entryLength +
                shape_.recordAt);
}

IndexEntry TreeCursor::entryOf(const Node& node, std::ptrdiff_t i) const {
    IndexEntry e;
    if (node.leaf) e.record = recordOf(node, i);
    const std::uint8_t* key =
        node.bytes.data() + shape_.entriesAt + static_cast<std::size_t>(i) * shape_.entryLength + shape_.keyAt;
    decodeKey(key + layout_.prefixBytes, shape_.keyLength - layout_.prefixBytes, layout_.encoding, e);
    return e;
}

void TreeCursor::descend(std::uint32_t page, bool toLast) {
    for (;;) {
        if (path_.size() > kMaxDepth) damaged("is deeper than any real index");
        Node node = read(page);
        if (node.leaf) {
            node.at = toLast ? node.count - 1 : 0;
            path_.push_back(std::move(node));
            return;
        }
        node.at = toLast ? node.children - 1 : 0;
        page = childOf(node, node.at);
        path_.push_back(std::move(node));
    }
}

bool TreeCursor::nextLeaf(int step) {
    path_.pop_back();
    while (!path_.empty()) {
        Node& branch = path_.back();
        const std::ptrdiff_t next = branch.at + step;
        if (next >= 0 && next < branch.children) {
            branch.at = next;
            descend(childOf(branch, next), step < 0);
            return true;
        }
        path_.pop_back();
    }
    return false;
}

bool TreeCursor::settle(int step) {
    for (;;) {
        Node& leaf = path_.back();
        for (; leaf.at >= 0 && leaf.at < leaf.count; leaf.at += step) {
            if (!live_(recordOf(leaf, leaf.at))) continue;
            current_ = entryOf(leaf, leaf.at);
            place_ = Place::On;
            return true;
        }
        if (!nextLeaf(step)) {
            place_ = Place::Off;
            return false;
        }
    }
}

bool TreeCursor::first() {
    descend(begin(), false);
    return settle(1);
}

bool TreeCursor::last() {
    descend(begin(), true);
    return settle(-1);
}

bool TreeCursor::find(const std::function<bool(const IndexEntry&, bool)>& atOrAfter) {
    std::uint32_t page = begin();
    for (;;) {
        if (path_.size() > kMaxDepth) damaged("is deeper than any real index");
        Node node = read(page);
        if (node.leaf) break;
        // A separator is the highest key below its child; past them all, the last child.
        std::ptrdiff_t i = 0;
        while (i < node.count && !atOrAfter(entryOf(node, i), false)) ++i;
        node.at = std::min(i, node.children - 1);
        page = childOf(node, node.at);
        path_.push_back(std::move(node));
    }
    path_.push_back(read(page));
    path_.back().at = 0;
    // Emptied leaves, and equal keys running on into later leaves, are walked past.
    for (;;) {
        Node& leaf = path_.back();
        for (; leaf.at < leaf.count; ++leaf.at)
            if (atOrAfter(entryOf(leaf, leaf.at), true)) return true;
        if (!nextLeaf(1)) return false;
    }
}

TreeCursor::Refound TreeCursor::refind() {
    if (shape_.file->changes() == changes_) return Refound::Same;
    const IndexEntry wanted = current_;
    // Equal keys are ordered by record number.
    const bool found = find([&](const IndexEntry& e, bool leaf) {
        const int c = order_.compare(e, wanted, false);
        return c > 0 || (c == 0 && (!leaf || e.record >= wanted.record));
    });
    if (!found) return Refound::None;
    const IndexEntry& here = entryOf(path_.back(), path_.back().at);
    return here.record == wanted.record && order_.compare(here, wanted, false) == 0 ? Refound::Same
                                                                                    : Refound::Successor;
}

bool TreeCursor::next() {
    outOfOrder_ = false;
    if (place_ == Place::Off) return false;
    if (place_ == Place::Before) return first();
    switch (refind()) {
        case Refound::None:
            place_ = Place::Off;
            return false;
        case Refound::Same:
            ++path_.back().at;
            break;
        case Refound::Successor:
            break;
    }
    std::swap(previous_, current_);
    if (!settle(1)) return false;
    outOfOrder_ = order_.precedes(current_, previous_);
    return true;
}

bool TreeCursor::prior() {
    if (place_ != Place::On) {
        place_ = Place::Off;
        return false;
    }
    if (refind() == Refound::None) return last();
    --path_.back().at;
    return settle(-1);
}

bool TreeCursor::seek(const Record& key, bool partial) {
    if (key.empty() || key.front().isNull()) return first();
    const IndexEntry wanted = order_.wanted(key.front());
    if (!find([&](const IndexEntry& e, bool) { return order_.compare(e, wanted, partial) >= 0; })) {
        place_ = Place::Off;
        return false;
    }
    return settle(1);
}

RecordId TreeCursor::recordId() const {
    if (place_ != Place::On)
        throw EngineError(errkind::kUsage, "The cursor on " + definition_.name + " is off the ends of the index");
    return current_.record;
}

Record TreeCursor::key() const {
    recordId();  // checks the position
    return order_.valuesOf(current_);
}

}  // namespace tabulon::dbase
