#include "SqlTokens.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "SqlText.h"

namespace tabulon {
namespace {

bool isWordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

// The end of a quoted run starting at `i` (quote doubled inside); the text's end when open.
std::size_t quotedEnd(const std::string& sql, std::size_t i, char close) {
    for (std::size_t j = i + 1; j < sql.size(); ++j) {
        if (sql[j] != close) continue;
        if (close != ']' && j + 1 < sql.size() && sql[j + 1] == close) {
            ++j;
            continue;
        }
        return j + 1;
    }
    return sql.size();
}

std::size_t gapEnd(const std::string& sql, std::size_t i) {
    while (i < sql.size()) {
        if (std::isspace(static_cast<unsigned char>(sql[i])))
            ++i;
        else if (sql.compare(i, 2, "--") == 0)
            i = std::min(sql.find('\n', i), sql.size());
        else if (sql.compare(i, 2, "/*") == 0)
            i = std::min(sql.find("*/", i + 2), sql.size() - 2) + 2;
        else
            break;
    }
    return i;
}

}  // namespace

std::vector<Token> tokenize(const std::string& sql) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < sql.size()) {
        Token token;
        const std::size_t start = gapEnd(sql, i);
        token.gap = sql.substr(i, start - i);
        if (start >= sql.size()) {
            tokens.push_back(std::move(token));
            break;
        }
        std::size_t end = start + 1;
        const char c = sql[start];
        if (c == '\'') {
            end = quotedEnd(sql, start, '\'');
            token.kind = TokenKind::String;
        } else if (c == '"' || c == '`' || c == '[') {
            end = quotedEnd(sql, start, c == '[' ? ']' : c);
        } else if (isWordChar(static_cast<unsigned char>(c))) {
            while (end < sql.size() && isWordChar(static_cast<unsigned char>(sql[end]))) ++end;
            token.kind = TokenKind::Word;
        }
        token.text = sql.substr(start, end - start);
        tokens.push_back(std::move(token));
        i = end;
    }
    return tokens;
}

bool isWord(const Token& token, const char* word) {
    return token.kind == TokenKind::Word && asciiUpper(token.text) == word;
}

bool isName(const Token& token) {
    return token.kind == TokenKind::Word || (token.kind == TokenKind::Other && !token.text.empty() &&
                                             std::string_view("\"`[").find(token.text[0]) != std::string_view::npos);
}

}  // namespace tabulon
