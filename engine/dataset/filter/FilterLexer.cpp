#include "FilterLexer.h"

#include <cctype>

#include "../../core/EngineError.h"

namespace tabulon {

namespace {
[[noreturn]] void fail(const std::string& what, std::size_t position) {
    throw EngineError(errkind::kValue, "Filter: " + what + " at character " + std::to_string(position));
}

bool startsName(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || (c & 0x80); }
bool continuesName(char c) {
    return startsName(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '#' || c == '$';
}
}  // namespace

std::string FilterToken::describe() const {
    switch (kind) {
        case Kind::End:
            return "the end of the text";
        case Kind::String:
            return "the string '" + text + "'";
        case Kind::QuotedName:
            return "the name [" + text + "]";
        default:
            return "'" + text + "'";
    }
}

std::vector<FilterToken> tokenizeFilter(std::string_view text) {
    std::vector<FilterToken> tokens;
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        FilterToken token;
        token.position = i + 1;
        if (i >= text.size()) {
            tokens.push_back(token);
            return tokens;
        }
        const char c = text[i];
        if (c == '\'') {
            token.kind = FilterToken::Kind::String;
            for (++i;; ++i) {
                if (i >= text.size())
                    fail("unmatched quote: the string that begins here has no closing '", token.position);
                if (text[i] == '\'') {
                    if (i + 1 < text.size() && text[i + 1] == '\'') {
                        token.text += '\'';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                token.text += text[i];
            }
        } else if (c == '[' || c == '"') {
            const char close = c == '[' ? ']' : '"';
            const auto end = text.find(close, i + 1);
            if (end == std::string_view::npos)
                fail(std::string("unmatched ") + c + ": the field name that begins here has no closing " + close,
                     token.position);
            token.kind = FilterToken::Kind::QuotedName;
            token.text = std::string(text.substr(i + 1, end - i - 1));
            i = end + 1;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
            token.kind = FilterToken::Kind::Number;
            while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.'))
                token.text += text[i++];
        } else if (startsName(c)) {
            token.kind = FilterToken::Kind::Name;
            while (i < text.size() && continuesName(text[i])) token.text += text[i++];
        } else {
            token.kind = FilterToken::Kind::Symbol;
            const std::string_view two = text.substr(i, 2);
            if (two == "<>" || two == "<=" || two == ">=" || two == "!=") {
                token.text = std::string(two);
                i += 2;
            } else if (std::string_view("=<>+-*/(),").find(c) != std::string_view::npos) {
                token.text = std::string(1, c);
                ++i;
            } else {
                fail(std::string("unexpected character '") + c + "'", token.position);
            }
        }
        tokens.push_back(std::move(token));
    }
}

}  // namespace tabulon
