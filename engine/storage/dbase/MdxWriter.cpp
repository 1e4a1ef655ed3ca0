#include "MdxWriter.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <numeric>

#include "../../core/EngineError.h"
#include "ByteOrder.h"

namespace tabulon::dbase {

namespace {
constexpr std::size_t kPage = 512;
constexpr std::size_t kPagesPerBlock = 2;
constexpr std::size_t kBlock = kPage * kPagesPerBlock;
constexpr std::size_t kHeaderPages = 4;  // file header and tag table
constexpr std::size_t kTagSlots = 48;
constexpr std::size_t kTagTable = 544;
constexpr std::size_t kTagEntry = 32;
constexpr std::size_t kMaxTags = 47;  // the 48th slot would run into the first tag's header
constexpr std::size_t kMaxKeyLength = 100;

void putDate(std::uint8_t* p) {
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    p[0] = static_cast<std::uint8_t>(std::clamp(today.tm_year, 0, 255));
    p[1] = static_cast<std::uint8_t>(today.tm_mon + 1);
    p[2] = static_cast<std::uint8_t>(today.tm_mday);
}

struct Built {
    std::uint32_t root = 0;
    std::uint32_t pages = 0;
};

// Appends the tag's blocks to `file` (whose size is a whole number of blocks); returns the root.
Built writeTree(std::string& file, const MdxTagSpec& tag, const std::vector<MdxKey>& keys) {
    const std::size_t entryLength = 4 + (tag.keyLength + 3) / 4 * 4;
    const std::size_t perBlock = (kBlock - 12) / entryLength;  // room for the closing pointer
    const auto start = static_cast<std::uint32_t>(file.size() / kPage);
    struct Child {
        std::uint32_t page;
        std::string lastKey;
    };
    auto newBlock = [&]() {
        const auto page = static_cast<std::uint32_t>(file.size() / kPage);
        file.append(kBlock, '\0');
        return page;
    };
    std::vector<Child> level;
    std::size_t i = 0;
    do {  // leaves; an empty tag still has one
        const std::uint32_t page = newBlock();
        auto* block = reinterpret_cast<std::uint8_t*>(file.data()) + std::size_t{page} * kPage;
        const std::size_t count = std::min(perBlock, keys.size() - i);
        putLe32(block, static_cast<std::uint32_t>(count));
        std::string last;
        for (std::size_t k = 0; k < count; ++k, ++i) {
            std::uint8_t* entry = block + 8 + k * entryLength;
            putLe32(entry, static_cast<std::uint32_t>(keys[i].record));
            last = mdxKeyBytes(tag, keys[i]);
            std::memcpy(entry + 4, last.data(), std::min(last.size(), entryLength - 4));
        }
        level.push_back({page, last});
    } while (i < keys.size());
    while (level.size() > 1) {
        std::vector<Child> upper;
        // Children spread evenly, so no branch is left with a single child.
        const std::size_t branches = (level.size() + perBlock) / (perBlock + 1);
        for (std::size_t c = 0, b = 0; c < level.size(); ++b) {
            const std::uint32_t page = newBlock();
            auto* block = reinterpret_cast<std::uint8_t*>(file.data()) + std::size_t{page} * kPage;
            // A branch holds `count` keys and count + 1 children: the last one has no key.
            const std::size_t children = (level.size() - c) / (branches - b);
            const std::size_t count = children - 1;
            putLe32(block, static_cast<std::uint32_t>(count));
            for (std::size_t k = 0; k < count; ++k) {
                std::uint8_t* entry = block + 8 + k * entryLength;
                putLe32(entry, level[c + k].page);
                std::memcpy(entry + 4, level[c + k].lastKey.data(),
                            std::min(level[c + k].lastKey.size(), entryLength - 4));
            }
            putLe32(block + 8 + count * entryLength, level[c + count].page);
            upper.push_back({page, level[c + count].lastKey});
            c += children;
        }
        level = std::move(upper);
    }
    return {level.front().page, static_cast<std::uint32_t>(file.size() / kPage) - start};
}
}  // namespace

std::string mdxKeyBytes(const MdxTagSpec& tag, const MdxKey& key) {
    if (tag.keyType == 'C') return key.bytes;
    if (tag.keyType == 'N') return encodeBcdKey(key.number, 20);
    std::string bytes(8, '\0');
    putLe64(reinterpret_cast<std::uint8_t*>(bytes.data()), std::bit_cast<std::uint64_t>(key.number));
    return bytes;
}

std::string encodeBcdKey(double value, int width) {
    std::string bytes(12, '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(bytes.data());
    p[1] = static_cast<std::uint8_t>(((std::min(width, 31) << 2) | 1) | (value < 0 ? 0x80 : 0));
    if (value == 0 || !std::isfinite(value)) {
        p[0] = 0x34;
        return bytes;
    }
    // 20 significant digits at most: 0.d1d2...d20 x 10^exponent.
    std::string mantissa;
    int exponent = 0;
    const double magnitude = std::fabs(value);
    if (magnitude < 1e18 && magnitude == std::trunc(magnitude)) {
        // Whole numbers, the usual keys, take their digits without formatting text: the same
        // digits, many times faster when an index of a million keys is built.
        for (auto n = static_cast<std::uint64_t>(magnitude); n != 0; n /= 10)
            mantissa.insert(mantissa.begin(), static_cast<char>('0' + n % 10));
        exponent = static_cast<int>(mantissa.size());
    } else {
        char digits[64];
        std::snprintf(digits, sizeof digits, "%.19e", magnitude);
        exponent = std::atoi(std::strchr(digits, 'e') + 1) + 1;
        for (const char* c = digits; *c && *c != 'e'; ++c)
            if (*c >= '0' && *c <= '9') mantissa += *c;
    }
    p[0] = static_cast<std::uint8_t>(0x34 + std::clamp(exponent, -0x34, 0xFF - 0x34));
    for (std::size_t d = 0; d < 20 && d < mantissa.size(); ++d) {
        const auto digit = static_cast<std::uint8_t>(mantissa[d] - '0');
        p[2 + d / 2] |= d % 2 == 0 ? static_cast<std::uint8_t>(digit << 4) : digit;
    }
    return bytes;
}

std::string buildMdx(const std::string& tableName, const std::vector<MdxTagSpec>& tags,
                     std::vector<std::vector<MdxKey>> keys) {
    if (tags.size() > kMaxTags)
        throw EngineError(errkind::kValue, "An MDX file holds at most 47 tags, not " + std::to_string(tags.size()));
    std::string file(kHeaderPages * kPage, '\0');
    auto* header = reinterpret_cast<std::uint8_t*>(file.data());
    header[0] = 2;
    putDate(header + 1);
    std::memcpy(header + 4, tableName.data(), std::min<std::size_t>(tableName.size(), 15));
    putLe16(header + 20, kPagesPerBlock);
    putLe16(header + 22, kBlock);
    header[24] = 1;
    header[25] = kTagSlots;
    header[26] = kTagEntry;
    putLe16(header + 28, static_cast<std::uint16_t>(tags.size()));
    putDate(header + 44);

    std::vector<std::size_t> byName(tags.size());
    std::iota(byName.begin(), byName.end(), 0);
    std::sort(byName.begin(), byName.end(), [&](std::size_t a, std::size_t b) { return tags[a].name < tags[b].name; });
    std::vector<std::size_t> rank(tags.size());
    for (std::size_t r = 0; r < byName.size(); ++r) rank[byName[r]] = r;

    for (std::size_t t = 0; t < tags.size(); ++t) {
        const MdxTagSpec& tag = tags[t];
        if (tag.name.empty() || tag.name.size() > 10)
            throw EngineError(errkind::kValue, "Index " + tag.name + ": an MDX tag name is 1 to 10 characters");
        if (tag.keyLength == 0 || tag.keyLength > kMaxKeyLength)
            throw EngineError(errkind::kValue, "Index " + tag.name + ": its key is " + std::to_string(tag.keyLength) +
                                                   " bytes; an MDX key holds 1 to 100");
        auto& entries = keys[t];
        const bool character = tag.keyType == 'C';
        auto less = [&](const MdxKey& a, const MdxKey& b) {
            const int c = character ? a.bytes.compare(b.bytes) : (a.number < b.number ? -1 : a.number > b.number);
            if (c != 0) return tag.descending ? c > 0 : c < 0;
            return a.record < b.record;
        };
        std::sort(entries.begin(), entries.end(), less);
        if (tag.unique)
            entries.erase(std::unique(entries.begin(), entries.end(),
                                      [&](const MdxKey& a, const MdxKey& b) {
                                          return character ? a.bytes == b.bytes : a.number == b.number;
                                      }),
                          entries.end());

        const auto tagHeaderPage = static_cast<std::uint32_t>(file.size() / kPage);
        file.append(kBlock, '\0');
        const Built tree = writeTree(file, tag, entries);
        auto* th = reinterpret_cast<std::uint8_t*>(file.data()) + std::size_t{tagHeaderPage} * kPage;
        putLe32(th, tree.root);
        putLe32(th + 4, tree.pages);
        th[8] = static_cast<std::uint8_t>((tag.fieldKey ? 0x10 : 0) | (tag.descending ? 0x08 : 0) |
                                          (tag.unique ? 0x40 : 0));
        th[9] = static_cast<std::uint8_t>(tag.keyType);
        putLe16(th + 12, static_cast<std::uint16_t>(tag.keyLength));
        const std::size_t entryLength = 4 + (tag.keyLength + 3) / 4 * 4;
        putLe16(th + 14, static_cast<std::uint16_t>((kBlock - 8) / entryLength));
        putLe16(th + 16, tag.keyType == 'D' ? 1 : 0);
        putLe16(th + 18, static_cast<std::uint16_t>(entryLength));
        th[23] = tag.unique ? 1 : 0;
        if (tag.expression.size() >= mdx::kExpressionRoom || tag.condition.size() >= mdx::kExpressionRoom)
            throw EngineError(errkind::kValue, "Index " + tag.name +
                                                   ": an MDX tag's key and FOR expressions hold at most " +
                                                   std::to_string(mdx::kExpressionRoom - 1) + " characters");
        std::memcpy(th + 24, tag.expression.data(), tag.expression.size());
        if (!tag.condition.empty()) {
            th[mdx::kHasForClause] = 1;
            std::memcpy(th + mdx::kForClause, tag.condition.data(), tag.condition.size());
        }

        auto* entry = reinterpret_cast<std::uint8_t*>(file.data()) + kTagTable + t * kTagEntry;
        putLe32(entry, tagHeaderPage);
        std::memcpy(entry + 4, tag.name.data(), tag.name.size());
        entry[15] = tag.fieldKey ? 0x10 : 0x00;
        const std::size_t r = rank[t];
        entry[16] = 0;                                                                         // left
        entry[17] = r + 1 < byName.size() ? static_cast<std::uint8_t>(byName[r + 1] + 1) : 0;  // right: next by name
        entry[18] = r > 0 ? static_cast<std::uint8_t>(byName[r - 1] + 1) : 0;  // parent: previous by name
        entry[19] = 0x02;
        entry[20] = static_cast<std::uint8_t>(tag.keyType);
    }
    header = reinterpret_cast<std::uint8_t*>(file.data());  // the file grew: its buffer moved
    putLe32(header + 32, static_cast<std::uint32_t>(file.size() / kPage));
    putLe32(header + 36, static_cast<std::uint32_t>(file.size() / kPage));
    return file;
}

}  // namespace tabulon::dbase
