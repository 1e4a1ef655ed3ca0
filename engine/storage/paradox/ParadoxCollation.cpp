#include "ParadoxCollation.h"

#include <algorithm>
#include <string_view>

#include "../../core/AsciiCase.h"
#include "../../core/TextCodec.h"

namespace tabulon::paradox {

namespace {
// Sort orders that are not a plain byte order.
constexpr std::string_view kDictionaryOrders[] = {"intl",     "ANSIINTL", "ANSII850", "DBWINWE0", "nordan40",
                                                  "nordan",   "swedfin",  "DBWINNO0", "DBWINSW0", "ANSISWFN",
                                                  "ANSINOR4", "spanish",  "ANSISPAN"};
constexpr std::string_view kNordicOrders[] = {"nordan40", "nordan",   "swedfin", "DBWINNO0",
                                              "DBWINSW0", "ANSISWFN", "ANSINOR4"};

bool listed(std::string_view name, auto& list) {
    return std::any_of(std::begin(list), std::end(list),
                       [&](std::string_view n) { return equalsIgnoringAsciiCase(n, name); });
}

char32_t firstCodePoint(const std::string& utf8) {
    if (utf8.empty()) return 0;
    const auto b = static_cast<unsigned char>(utf8[0]);
    if (b < 0x80) return b;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
    char32_t cp = b & (0x3F >> extra);
    for (int i = 1; i <= extra && i < static_cast<int>(utf8.size()); ++i)
        cp = (cp << 6) | (static_cast<unsigned char>(utf8[static_cast<std::size_t>(i)]) & 0x3F);
    return cp;
}

struct Letter {
    char32_t base;  // upper-case letter without accent
    std::uint8_t accent;
    bool lower;
};

// Latin-1 letters by their base letter; the accent rank follows the code point order.
Letter classify(char32_t cp) {
    if (cp >= 'a' && cp <= 'z') return {cp - 32, 0, true};
    if (cp >= 'A' && cp <= 'Z') return {cp, 0, false};
    static constexpr std::u32string_view kBases =
        U"AAAAAAACEEEEIIIIDNOOOOO\u00D7OUUUUYTSaaaaaaaceeeeiiiidnooooo\u00F7ouuuuyty";
    if (cp >= 0xC0 && cp <= 0xFF && cp != 0xD7 && cp != 0xF7) {
        const char32_t base = kBases[cp - 0xC0];
        const bool lower = cp >= 0xE0;
        return {lower ? base - 32 : base, static_cast<std::uint8_t>(1 + (cp & 0x1F)), lower};
    }
    if (cp >= 0x100 && cp <= 0x17F) {  // Latin Extended-A pairs upper/lower letters
        return {cp & ~1u, 1, (cp & 1u) != 0};
    }
    return {cp, 0, false};
}
}  // namespace

ParadoxCollation::ParadoxCollation(const std::string& sortOrderName, const TextCodec& codec)
    : dictionary_(listed(sortOrderName, kDictionaryOrders)) {
    const bool nordic = listed(sortOrderName, kNordicOrders);
    std::array<char32_t, 256> codePoints{};
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        codePoints[static_cast<std::size_t>(b)] =
            b < 0x80 ? static_cast<char32_t>(b) : firstCodePoint(codec.decode({&byte, 1}));
    }
    for (int b = 0; b < 256; ++b) {
        const auto i = static_cast<std::size_t>(b);
        const char32_t cp = codePoints[i];
        const Letter letter = classify(cp);
        // The upper-case form: the byte whose character is the same letter in upper case.
        upper_[i] = static_cast<std::uint8_t>(b);
        if (letter.lower)
            for (int u = 0; u < 256; ++u) {
                const Letter other = classify(codePoints[static_cast<std::size_t>(u)]);
                if (!other.lower && other.base == letter.base && other.accent == letter.accent &&
                    codePoints[static_cast<std::size_t>(u)] != 0xFFFD) {
                    upper_[i] = static_cast<std::uint8_t>(u);
                    break;
                }
            }
        if (!dictionary_) {
            primary_[i] = static_cast<std::uint16_t>(b);
            continue;
        }
        std::uint16_t weight = static_cast<std::uint16_t>(std::min<char32_t>(letter.base, 0x7FFF));
        if (cp == 0xFFFD) weight = static_cast<std::uint16_t>(0x8000 + b);
        // Norwegian, Danish, Swedish and Finnish put their extra letters after Z.
        if (nordic && letter.accent) {
            if (cp == 0xC6 || cp == 0xE6 || cp == 0xC4 || cp == 0xE4) weight = 'Z' + 1;
            if (cp == 0xD8 || cp == 0xF8 || cp == 0xD6 || cp == 0xF6) weight = 'Z' + 2;
            if (cp == 0xC5 || cp == 0xE5) weight = 'Z' + 3;
        }
        primary_[i] = weight;
        secondary_[i] = letter.accent;
        tertiary_[i] = letter.lower ? 0 : 1;
    }
}

int ParadoxCollation::compare(const std::uint8_t* a, const std::uint8_t* b, int length, bool caseInsensitive) const {
    if (!dictionary_) {
        for (int i = 0; i < length; ++i) {
            const int x = caseInsensitive ? upper_[a[i]] : a[i];
            const int y = caseInsensitive ? upper_[b[i]] : b[i];
            if (x != y) return x < y ? -1 : 1;
        }
        return 0;
    }
    for (int i = 0; i < length; ++i)
        if (primary_[a[i]] != primary_[b[i]]) return primary_[a[i]] < primary_[b[i]] ? -1 : 1;
    for (int i = 0; i < length; ++i)
        if (secondary_[a[i]] != secondary_[b[i]]) return secondary_[a[i]] < secondary_[b[i]] ? -1 : 1;
    if (caseInsensitive) return 0;
    for (int i = 0; i < length; ++i)
        if (tertiary_[a[i]] != tertiary_[b[i]]) return tertiary_[a[i]] < tertiary_[b[i]] ? -1 : 1;
    return 0;
}

}  // namespace tabulon::paradox
