#pragma once
// The order in which a table's sort order (language driver) puts alpha values.
#include <array>
#include <cstdint>
#include <string>

namespace tabulon {
class TextCodec;
}

namespace tabulon::paradox {

// Binary orders ("ascii", "DBWINUS0", "china", ...) compare code-page bytes; the international
// orders ("intl", "ANSIINTL", "ANSII850", "DBWINWE0", "nordan40", ...) compare letters without
// regard to accents and case first, then accents, then case (lower before upper). Built once per
// table from its code page; immutable afterwards, so any thread may use it.
class ParadoxCollation {
public:
    ParadoxCollation(const std::string& sortOrderName, const TextCodec& codec);

    bool dictionaryOrder() const { return dictionary_; }
    // Compares two NUL-padded alpha values of at most `length` bytes.
    int compare(const std::uint8_t* a, const std::uint8_t* b, int length, bool caseInsensitive) const;
    // The byte a case-insensitive index stores for `byte` (its upper-case form in the code page).
    std::uint8_t upper(std::uint8_t byte) const { return upper_[byte]; }

private:
    bool dictionary_ = false;
    std::array<std::uint16_t, 256> primary_{};   // letter without accent or case
    std::array<std::uint8_t, 256> secondary_{};  // accent
    std::array<std::uint8_t, 256> tertiary_{};   // case
    std::array<std::uint8_t, 256> upper_{};
};

}  // namespace tabulon::paradox
