#pragma once
// Two MS-DOS code pages that iconv lacks: 620 (Mazovia, Polish) and 895 (Kamenicky, Czech and
// Slovak). Both are code page 437 with some bytes given other letters.
#include <cstdint>
#include <span>
#include <string_view>

namespace tabulon {

struct ByteOverride {
    std::uint8_t byte;
    char32_t codePoint;
};

// The bytes that differ from code page 437 for "CP620" or "CP895"; empty for any other name.
std::span<const ByteOverride> dosOverridesOf437(std::string_view codePageName);

}  // namespace tabulon
