#include "CdxWriter.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "../../core/EngineError.h"
#include "ByteOrder.h"
#include "CdxLayout.h"

namespace tabulon::dbase {

namespace {
using namespace cdx;
constexpr std::size_t kDirectoryKeyLength = 10;

void putBe32At(std::string& file, std::size_t at, std::uint32_t v) {
    putBe32(reinterpret_cast<std::uint8_t*>(file.data()) + at, v);
}
void putLe32At(std::string& file, std::size_t at, std::uint32_t v) {
    putLe32(reinterpret_cast<std::uint8_t*>(file.data()) + at, v);
}
void putLe16At(std::string& file, std::size_t at, std::uint16_t v) {
    putLe16(reinterpret_cast<std::uint8_t*>(file.data()) + at, v);
}

unsigned bitsFor(std::uint64_t value) {
    unsigned bits = 1;
    while (bits < 32 && (value >> bits) != 0) ++bits;
    return bits;
}

struct Child {
    std::uint32_t offset;
    const CdxKey* last;
};

// Sets the sibling links of one level's nodes, left to right.
void linkSiblings(std::string& file, const std::vector<Child>& level) {
    for (std::size_t i = 0; i < level.size(); ++i) {
        putLe32At(file, level[i].offset + 4, i == 0 ? kNone : level[i - 1].offset);
        putLe32At(file, level[i].offset + 8, i + 1 == level.size() ? kNone : level[i + 1].offset);
    }
}

// Appends the tree of `keys` (sorted) to `file`; returns the root's offset. Leaves hold their
// entries front to back and the new bytes of their keys back to front: each key keeps the bytes
// it shares with the one before (duplicates) and drops its trailing pad bytes.
std::uint32_t writeTree(std::string& file, const std::vector<CdxKey>& keys, std::size_t keyLength, char pad) {
    const unsigned countBits = bitsFor(keyLength);
    RecordId highest = 0;
    for (const CdxKey& k : keys) highest = std::max(highest, k.record);
    const std::size_t entryBytes = (bitsFor(highest) + 2 * countBits + 7) / 8;
    const unsigned recordBits = static_cast<unsigned>(entryBytes * 8) - 2 * countBits;
    const std::uint64_t countMask = (1u << countBits) - 1;

    std::vector<Child> level;
    std::size_t i = 0;
    do {  // leaves; an empty tag still has one
        const auto offset = static_cast<std::uint32_t>(file.size());
        file.append(kNodeSize, '\0');
        std::size_t entries = 0;
        std::size_t keyEnd = kNodeSize;
        const std::string* previous = nullptr;
        for (; i < keys.size(); ++i, ++entries) {
            const std::string& key = keys[i].bytes;
            std::size_t duplicates = 0;
            if (previous)
                while (duplicates < keyLength && (*previous)[duplicates] == key[duplicates]) ++duplicates;
            std::size_t trailing = 0;
            while (trailing < keyLength - duplicates && key[keyLength - 1 - trailing] == pad) ++trailing;
            const std::size_t fresh = keyLength - duplicates - trailing;
            if (kLeafEntriesStart + (entries + 1) * entryBytes > keyEnd - fresh) break;
            keyEnd -= fresh;
            std::memcpy(file.data() + offset + keyEnd, key.data() + duplicates, fresh);
            const std::uint64_t v = keys[i].record | (std::uint64_t{duplicates} << recordBits) |
                                    (std::uint64_t{trailing} << (recordBits + countBits));
            for (std::size_t b = 0; b < entryBytes; ++b)
                file[offset + kLeafEntriesStart + entries * entryBytes + b] = static_cast<char>(v >> (8 * b));
            previous = &key;
        }
        putLe16At(file, offset, kLeafAttribute);
        putLe16At(file, offset + 2, static_cast<std::uint16_t>(entries));
        putLe16At(file, offset + 12, static_cast<std::uint16_t>(keyEnd - kLeafEntriesStart - entries * entryBytes));
        putLe32At(file, offset + 14, static_cast<std::uint32_t>((std::uint64_t{1} << recordBits) - 1));
        file[offset + 18] = static_cast<char>(countMask);
        file[offset + 19] = static_cast<char>(countMask);
        file[offset + 20] = static_cast<char>(recordBits);
        file[offset + 21] = static_cast<char>(countBits);
        file[offset + 22] = static_cast<char>(countBits);
        file[offset + 23] = static_cast<char>(entryBytes);
        level.push_back({offset, entries ? &keys[i - 1] : nullptr});
    } while (i < keys.size());
    linkSiblings(file, level);

    const std::size_t perBranch = (kNodeSize - kBranchEntriesStart) / (keyLength + 8);
    while (level.size() > 1) {
        std::vector<Child> upper;
        for (std::size_t c = 0; c < level.size();) {
            const auto offset = static_cast<std::uint32_t>(file.size());
            file.append(kNodeSize, '\0');
            const std::size_t count = std::min(perBranch, level.size() - c);
            putLe16At(file, offset + 2, static_cast<std::uint16_t>(count));
            for (std::size_t k = 0; k < count; ++k) {
                const std::size_t at = offset + kBranchEntriesStart + k * (keyLength + 8);
                const CdxKey& last = *level[c + k].last;
                std::memcpy(file.data() + at, last.bytes.data(), keyLength);
                putBe32At(file, at + keyLength, static_cast<std::uint32_t>(last.record));
                putBe32At(file, at + keyLength + 4, level[c + k].offset);
            }
            upper.push_back({offset, level[c + count - 1].last});
            c += count;
        }
        linkSiblings(file, upper);
        level = std::move(upper);
    }
    const std::uint32_t root = level.front().offset;
    putLe16At(file, root, static_cast<std::uint16_t>(static_cast<std::uint8_t>(file[root]) | kRootAttribute));
    return root;
}

bool sameKey(const CdxKey& a, const CdxKey& b) { return a.bytes == b.bytes; }

// Equal keys by record.
void sortKeys(std::vector<CdxKey>& keys, bool descending) {
    std::sort(keys.begin(), keys.end(), [&](const CdxKey& a, const CdxKey& b) {
        const int c = a.bytes.compare(b.bytes);
        if (c != 0) return descending ? c > 0 : c < 0;
        return a.record < b.record;
    });
}

void keepFirstOfEachKey(std::vector<CdxKey>& sorted) {
    sorted.erase(std::unique(sorted.begin(), sorted.end(), sameKey), sorted.end());
}

void refuseDuplicates(const CdxTagImage& tag, const std::vector<CdxKey>& sorted) {
    const auto twice = std::adjacent_find(sorted.begin(), sorted.end(), sameKey);
    if (twice != sorted.end())
        throw EngineError(errkind::kKeyViolation, "Key violation in candidate index " + tag.name + ": records " +
                                                      std::to_string(twice->record) + " and " +
                                                      std::to_string(std::next(twice)->record) + " have the same key");
}
}  // namespace

std::string buildCdx(const std::string& directoryHeader, const std::vector<CdxTagImage>& tags,
                     std::vector<std::vector<CdxKey>> keys) {
    std::string file = directoryHeader;
    file.resize(kHeaderSize, '\0');
    // The directory's one leaf follows its header; tags follow it, so their offsets are known
    // before the directory is written, as long as it fits one node.
    file.append(kNodeSize, '\0');
    std::vector<CdxKey> names;
    for (std::size_t t = 0; t < tags.size(); ++t) {
        const CdxTagImage& tag = tags[t];
        if (tag.keyLength == 0 || tag.keyLength > kMaxKeyLength || tag.name.empty() ||
            tag.name.size() > kDirectoryKeyLength)
            throw EngineError(errkind::kValue, "Index " + tag.name +
                                                   ": a CDX tag name is 1 to 10 characters and its key 1 to 240 bytes");
        const auto headerOffset = static_cast<std::uint32_t>(file.size());
        file += tag.header;
        file.resize(headerOffset + kHeaderSize, '\0');
        for (CdxKey& k : keys[t]) k.bytes.resize(tag.keyLength, tag.pad);
        sortKeys(keys[t], tag.descending);
        if (tag.candidate)
            refuseDuplicates(tag, keys[t]);
        else if (tag.unique)
            keepFirstOfEachKey(keys[t]);
        const std::uint32_t root = writeTree(file, keys[t], tag.keyLength, tag.pad);
        putLe32At(file, headerOffset, root);
        putLe32At(file, headerOffset + 4, 0);  // no free nodes
        std::string name = tag.name;
        name.resize(kDirectoryKeyLength, ' ');
        names.push_back({name, headerOffset});
    }
    sortKeys(names, false);
    std::string directory;
    const std::uint32_t root = writeTree(directory, names, kDirectoryKeyLength, ' ');
    if (root != 0) throw EngineError(errkind::kValue, "A CDX file holds at most the tags one directory node lists");
    file.replace(kHeaderSize, kNodeSize, directory);
    putLe32At(file, 0, kHeaderSize);
    putLe32At(file, 4, 0);
    return file;
}

}  // namespace tabulon::dbase
