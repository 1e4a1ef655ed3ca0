#pragma once
// Small text helpers shared by the SQL code: quoting as SQL writes it, and ASCII upper case.
#include <string>

#include "../core/AsciiCase.h"

namespace tabulon {

// `text` between `quote` characters, each quote inside doubled: sqlQuoted("it's", '\'') is 'it''s'.
std::string sqlQuoted(const std::string& text, char quote);
// The inverse for '…', "…" and `…` (doubled quotes undone) and […]; other text as it stands.
std::string sqlUnquoted(const std::string& text);

}  // namespace tabulon
