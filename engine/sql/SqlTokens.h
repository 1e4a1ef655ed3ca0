#pragma once
// SQL text cut into tokens, for the rewrites and checks made before SQLite sees a statement.
#include <string>
#include <vector>

namespace tabulon {

enum class TokenKind { Word, String, Other };

struct Token {
    std::string gap;  // blanks and comments before it
    std::string text;
    TokenKind kind = TokenKind::Other;
};

// Words, 'strings', quoted names ("…", `…`, […]) and single other characters, each with the
// blanks and comments before it; the last token holds only the trailing gap when there is one.
// Concatenating gap and text of every token gives the text back. Pure function.
std::vector<Token> tokenize(const std::string& sql);
// Whether `token` is the word `word` (upper case), letter case ignored.
bool isWord(const Token& token, const char* word);
// Whether `token` can name a table or column: a word or a quoted name.
bool isName(const Token& token);

}  // namespace tabulon
