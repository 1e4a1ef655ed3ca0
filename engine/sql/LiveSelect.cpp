#include "LiveSelect.h"

#include <algorithm>
#include <vector>

#include "SqlText.h"
#include "SqlTokens.h"

namespace tabulon {
namespace {

bool isAnyWord(const Token& token, std::initializer_list<const char*> words) {
    return std::any_of(words.begin(), words.end(), [&](const char* word) { return isWord(token, word); });
}

bool isAggregateCall(const std::vector<Token>& tokens, std::size_t i) {
    return i + 1 < tokens.size() && tokens[i + 1].text == "(" &&
           isAnyWord(tokens[i], {"COUNT", "SUM", "AVG", "MIN", "MAX", "TOTAL", "GROUP_CONCAT", "STRING_AGG"});
}

// Whether tokens[from, to) are a table name with an optional alias and nothing else.
bool isSingleTable(const std::vector<Token>& tokens, std::size_t from, std::size_t to) {
    switch (to - from) {
        case 1:
            return isName(tokens[from]);
        case 2:
            return isName(tokens[from]) && isName(tokens[from + 1]) && !isWord(tokens[from + 1], "AS");
        case 3:
            return isName(tokens[from]) && isWord(tokens[from + 1], "AS") && isName(tokens[from + 2]);
        default:
            return false;
    }
}

}  // namespace

std::optional<LiveSelect> liveSelectOf(const std::string& sql) {
    std::vector<Token> tokens = tokenize(sql);
    while (!tokens.empty() && tokens.back().text.empty()) tokens.pop_back();
    if (!tokens.empty() && tokens.back().text == ";") tokens.pop_back();
    if (tokens.empty() || !isWord(tokens[0], "SELECT")) return std::nullopt;
    std::size_t listStart = 1;
    if (listStart < tokens.size() && isWord(tokens[listStart], "DISTINCT")) return std::nullopt;
    if (listStart < tokens.size() && isWord(tokens[listStart], "ALL")) ++listStart;
    int depth = 0;
    std::size_t from = 0, fromEnd = tokens.size();
    bool narrowed = false;
    for (std::size_t i = listStart; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (token.text == "(")
            ++depth;
        else if (token.text == ")")
            --depth;
        else if (from == 0 && isAggregateCall(tokens, i))
            return std::nullopt;
        else if (isAnyWord(token, {"UNION", "INTERSECT", "EXCEPT", "WITH"}))
            return std::nullopt;
        else if (depth == 0 && isAnyWord(token, {"GROUP", "HAVING", "WINDOW", "JOIN"}))
            return std::nullopt;
        else if (depth == 0 && from == 0 && isWord(token, "FROM"))
            from = i + 1;
        else if (depth == 0 && from != 0 && isAnyWord(token, {"WHERE", "ORDER", "LIMIT", "OFFSET"})) {
            fromEnd = std::min(fromEnd, i);
            narrowed = narrowed || !isWord(token, "ORDER");
        }
    }
    if (from == 0 || !isSingleTable(tokens, from, fromEnd)) return std::nullopt;
    LiveSelect live;
    live.table = sqlUnquoted(tokens[from].text);
    live.wholeTable = !narrowed;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        live.sqlWithRowId += tokens[i].gap + tokens[i].text;
        if (i + 1 == listStart) live.sqlWithRowId += " rowid,";
    }
    return live;
}

}  // namespace tabulon
