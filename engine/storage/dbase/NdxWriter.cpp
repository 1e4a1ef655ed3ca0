#include "NdxWriter.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "../../core/EngineError.h"
#include "ByteOrder.h"

namespace tabulon::dbase {

namespace {
constexpr std::size_t kPage = 512;
constexpr std::size_t kExpressionOffset = 24;
constexpr std::size_t kMaxKeyLength = 100;

struct Child {
    std::uint32_t page;
    std::string lastKey;
};

}  // namespace

std::string ndxKeyBytes(const MdxTagSpec& tag, const MdxKey& key) {
    if (tag.keyType == 'C') return key.bytes;
    std::string bytes(8, '\0');
    putLe64(reinterpret_cast<std::uint8_t*>(bytes.data()), std::bit_cast<std::uint64_t>(key.number));
    return bytes;
}

std::string buildNdx(const MdxTagSpec& tag, std::vector<MdxKey> keys) {
    const std::size_t keyLength = tag.keyType == 'C' ? tag.keyLength : 8;
    if (keyLength == 0 || keyLength > kMaxKeyLength)
        throw EngineError(errkind::kValue, "Index " + tag.name + ": its key is " + std::to_string(keyLength) +
                                               " bytes; an NDX key holds 1 to 100");
    if (tag.expression.size() >= kPage - kExpressionOffset)
        throw EngineError(errkind::kValue, "Index " + tag.name + ": its expression is too long for an NDX file");
    const bool character = tag.keyType == 'C';
    std::sort(keys.begin(), keys.end(), [&](const MdxKey& a, const MdxKey& b) {
        const int c = character ? a.bytes.compare(b.bytes) : (a.number < b.number ? -1 : a.number > b.number);
        return c != 0 ? c < 0 : a.record < b.record;
    });
    if (tag.unique)
        keys.erase(std::unique(keys.begin(), keys.end(),
                               [&](const MdxKey& a, const MdxKey& b) {
                                   return character ? a.bytes == b.bytes : a.number == b.number;
                               }),
                   keys.end());

    const std::size_t entrySize = 8 + (keyLength + 3) / 4 * 4;
    const std::size_t perPage = (kPage - 8) / entrySize;  // room for a branch's closing pointer
    std::string file(kPage, '\0');
    auto page = [&](std::uint32_t number) {
        return reinterpret_cast<std::uint8_t*>(file.data()) + std::size_t{number} * kPage;
    };
    auto newPage = [&] {
        file.append(kPage, '\0');
        return static_cast<std::uint32_t>(file.size() / kPage - 1);
    };
    std::vector<Child> level;
    std::size_t i = 0;
    do {  // leaves; an empty index still has one
        const std::uint32_t number = newPage();
        const std::size_t count = std::min(perPage, keys.size() - i);
        putLe32(page(number), static_cast<std::uint32_t>(count));
        std::string last;
        for (std::size_t k = 0; k < count; ++k, ++i) {
            std::uint8_t* entry = page(number) + 4 + k * entrySize;
            putLe32(entry + 4, static_cast<std::uint32_t>(keys[i].record));
            last = ndxKeyBytes(tag, keys[i]);
            std::memcpy(entry + 8, last.data(), std::min(last.size(), keyLength));
        }
        level.push_back({number, last});
    } while (i < keys.size());
    while (level.size() > 1) {
        std::vector<Child> upper;
        // Children spread evenly, so no branch is left with a single child.
        const std::size_t branches = (level.size() + perPage) / (perPage + 1);
        for (std::size_t c = 0, b = 0; c < level.size(); ++b) {
            const std::uint32_t number = newPage();
            const std::size_t children = (level.size() - c) / (branches - b);
            const std::size_t count = children - 1;  // the last child follows the keys
            putLe32(page(number), static_cast<std::uint32_t>(count));
            for (std::size_t k = 0; k < count; ++k) {
                std::uint8_t* entry = page(number) + 4 + k * entrySize;
                putLe32(entry, level[c + k].page);
                std::memcpy(entry + 8, level[c + k].lastKey.data(), std::min(level[c + k].lastKey.size(), keyLength));
            }
            putLe32(page(number) + 4 + count * entrySize, level[c + count].page);
            upper.push_back({number, level[c + count].lastKey});
            c += children;
        }
        level = std::move(upper);
    }
    std::uint8_t* header = page(0);
    putLe32(header, level.front().page);
    putLe32(header + 4, static_cast<std::uint32_t>(file.size() / kPage));
    putLe16(header + 12, static_cast<std::uint16_t>(keyLength));
    putLe16(header + 14, static_cast<std::uint16_t>(perPage));
    putLe16(header + 16, character ? 0 : 1);
    putLe16(header + 18, static_cast<std::uint16_t>(entrySize));
    header[23] = tag.unique ? 1 : 0;
    std::memcpy(header + kExpressionOffset, tag.expression.data(), tag.expression.size());
    return file;
}

}  // namespace tabulon::dbase
