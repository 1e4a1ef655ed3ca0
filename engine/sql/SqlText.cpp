#include "SqlText.h"

namespace tabulon {

std::string sqlQuoted(const std::string& text, char quote) {
    std::string out(1, quote);
    for (char c : text) {
        out += c;
        if (c == quote) out += c;
    }
    return out + quote;
}

std::string sqlUnquoted(const std::string& text) {
    if (text.size() < 2) return text;
    const char open = text.front();
    const char close = open == '[' ? ']' : open;
    if ((open != '\'' && open != '"' && open != '`' && open != '[') || text.back() != close) return text;
    std::string out;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        out += text[i];
        if (open != '[' && text[i] == close && text[i + 1] == close) ++i;
    }
    return out;
}

}  // namespace tabulon
