#pragma once
// Field, index and table names compare without regard to letter case in every format.
#include <algorithm>
#include <cctype>
#include <string>

namespace tabulon {

inline bool sameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::toupper(x) == std::toupper(y);
    });
}

}  // namespace tabulon
