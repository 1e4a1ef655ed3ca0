#pragma once
// Cuts a filter text into tokens, remembering where each begins.
#include <string>
#include <string_view>
#include <vector>

namespace tabulon {

struct FilterToken {
    enum class Kind { Name, QuotedName, String, Number, Symbol, End };
    Kind kind = Kind::End;
    std::string text;          // the name, the string's contents, the number or the symbol
    std::size_t position = 0;  // 1-based character where the token begins
    // How the token reads in a message: "'AND'", "the end of the text".
    std::string describe() const;
};

// Throws EngineError(EValueError) for an unmatched quote or bracket and for a character that
// begins no token, saying where. Pure function.
std::vector<FilterToken> tokenizeFilter(std::string_view text);

}  // namespace tabulon
