#pragma once
// The language-driver byte (offset 29 of a .DBF) and the code pages it names.
#include <cstdint>
#include <optional>
#include <string_view>

namespace tabulon::dbase {

// The code page `ldid` names; empty for 0x00 (not stated) and for values in no list.
std::optional<int> codePageForLanguageDriver(std::uint8_t ldid);
// The byte FoxPro and dBase write for `codePage`; empty when no byte names it.
std::optional<std::uint8_t> languageDriverForCodePage(int codePage);
// A level-7 language driver name ("DB866RU0") names its code page by its digits.
std::optional<int> codePageForDriverName(std::string_view name);

}  // namespace tabulon::dbase
