#include "SqlDialect.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <vector>

#include "../core/DateTime.h"
#include "../core/EngineError.h"
#include "SqlText.h"
#include "SqlTokens.h"

namespace tabulon {
namespace {

// "2020-1-5" as well as "2020-01-05": users write the month and day unpadded.
Date parseDateLiteral(const std::string& text) {
    int year = 0, month = 0, day = 0;
    char dash1 = 0, dash2 = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c%d%n", &year, &dash1, &month, &dash2, &day, &used) != 5 || dash1 != '-' ||
        dash2 != '-' || static_cast<std::size_t>(used) != text.size()) {
        return Date::parse(text);
    }
    return Date::fromCivil(year, month, day);
}

class Rewriter {
public:
    explicit Rewriter(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

    std::string range(std::size_t begin, std::size_t end) const {
        std::string out;
        for (std::size_t i = begin; i < end;) {
            const Token& token = tokens_[i];
            if (token.kind == TokenKind::Word && i + 1 < end && tokens_[i + 1].text == "(") {
                const std::size_t close = matchingParen(i + 1, end);
                if (auto call = rewriteCall(asciiUpper(token.text), i + 2, close)) {
                    out += token.gap + *call;
                    i = std::min(close + 1, end);
                    continue;
                }
            }
            if (i + 1 < end && tokens_[i + 1].kind == TokenKind::String) {
                if (auto literal = rewriteLiteral(token, tokens_[i + 1])) {
                    out += token.gap + *literal;
                    i += 2;
                    continue;
                }
            }
            out += token.gap + token.text;
            ++i;
        }
        return out;
    }

private:
    struct Part {
        std::string keyword;  // upper case; "" for the part before the first keyword
        std::size_t begin;
        std::size_t end;
    };

    std::size_t matchingParen(std::size_t open, std::size_t end) const {
        int depth = 0;
        for (std::size_t i = open; i < end; ++i) {
            if (tokens_[i].text == "(")
                ++depth;
            else if (tokens_[i].text == ")" && --depth == 0)
                return i;
        }
        return end;
    }

    // The arguments between `begin` and `end`, split at the keywords standing outside parentheses.
    std::vector<Part> split(std::size_t begin, std::size_t end, std::initializer_list<const char*> keywords) const {
        std::vector<Part> parts{{"", begin, end}};
        int depth = 0;
        for (std::size_t i = begin; i < end; ++i) {
            if (tokens_[i].text == "(")
                ++depth;
            else if (tokens_[i].text == ")")
                --depth;
            else if (depth == 0 && tokens_[i].kind == TokenKind::Word) {
                for (const char* keyword : keywords) {
                    if (!isWord(tokens_[i], keyword)) continue;
                    parts.back().end = i;
                    parts.push_back({keyword, i + 1, end});
                    break;
                }
            }
        }
        return parts;
    }

    // The part's text without the blanks before it.
    std::string text(const Part& part) const {
        std::string out = range(part.begin, part.end);
        return out.substr(std::min(out.find_first_not_of(" \t\r\n"), out.size()));
    }

    std::optional<std::string> rewriteCall(const std::string& name, std::size_t begin, std::size_t end) const {
        if (end >= tokens_.size()) return std::nullopt;
        if (name == "SUBSTRING") return substring(begin, end);
        if (name == "TRIM") return trim(begin, end);
        if (name == "EXTRACT") return extract(begin, end);
        if (name == "CAST") return cast(begin, end);
        return std::nullopt;
    }

    std::optional<std::string> substring(std::size_t begin, std::size_t end) const {
        const auto parts = split(begin, end, {"FROM", "FOR"});
        if (parts.size() < 2 || parts[1].keyword != "FROM") return std::nullopt;
        std::string out = "substr(" + text(parts[0]) + ", " + text(parts[1]);
        if (parts.size() > 2) out += ", " + text(parts[2]);
        return out + ")";
    }

    std::optional<std::string> trim(std::size_t begin, std::size_t end) const {
        std::string function = "trim";
        if (begin < end && isWord(tokens_[begin], "LEADING")) function = "ltrim";
        if (begin < end && isWord(tokens_[begin], "TRAILING")) function = "rtrim";
        const bool side = begin < end && (function != "trim" || isWord(tokens_[begin], "BOTH"));
        const auto parts = split(side ? begin + 1 : begin, end, {"FROM"});
        if (parts.size() != 2) return side ? std::optional(function + "(" + text(parts[0]) + ")") : std::nullopt;
        const std::string characters = parts[0].begin == parts[0].end ? "" : ", " + text(parts[0]);
        return function + "(" + text(parts[1]) + characters + ")";
    }

    std::optional<std::string> extract(std::size_t begin, std::size_t end) const {
        const auto parts = split(begin, end, {"FROM"});
        if (parts.size() != 2 || parts[0].end != parts[0].begin + 1) return std::nullopt;
        static const std::pair<const char*, const char*> kFormats[] = {
            {"YEAR", "%Y"}, {"MONTH", "%m"}, {"DAY", "%d"}, {"HOUR", "%H"}, {"MINUTE", "%M"}, {"SECOND", "%S"}};
        for (const auto& [part, format] : kFormats) {
            if (isWord(tokens_[parts[0].begin], part)) {
                return std::string("CAST(strftime('") + format + "', " + text(parts[1]) + ") AS INTEGER)";
            }
        }
        throw EngineError(errkind::kValue, "SQL error: EXTRACT takes YEAR, MONTH, DAY, HOUR, MINUTE or SECOND, not " +
                                               tokens_[parts[0].begin].text);
    }

    // The numbers inside a type's parentheses: CHAR(10) gives {10}, NUMERIC(8,2) gives {8, 2}.
    std::vector<std::string> typeArguments(const Part& type) const {
        std::vector<std::string> numbers;
        for (std::size_t i = type.begin; i < type.end; ++i) {
            if (tokens_[i].kind == TokenKind::Word && std::isdigit(static_cast<unsigned char>(tokens_[i].text[0]))) {
                numbers.push_back(tokens_[i].text);
            }
        }
        return numbers;
    }

    std::optional<std::string> cast(std::size_t begin, std::size_t end) const {
        const auto parts = split(begin, end, {"AS"});
        if (parts.size() != 2 || parts[1].begin >= parts[1].end) return std::nullopt;
        const std::string value = text(parts[0]);
        const std::string type = asciiUpper(tokens_[parts[1].begin].text);
        const auto numbers = typeArguments(parts[1]);
        if (type == "DATE") return "date(" + value + ")";
        if (type == "TIME") return "strftime('%H:%M:%f', " + value + ")";
        if (type == "TIMESTAMP") return "strftime('%Y-%m-%d %H:%M:%f', " + value + ")";
        if ((type == "CHAR" || type == "VARCHAR" || type == "CHARACTER") && !numbers.empty()) {
            return "substr(CAST(" + value + " AS TEXT), 1, " + numbers[0] + ")";
        }
        if ((type == "NUMERIC" || type == "DECIMAL") && numbers.size() == 2) {
            return "round(CAST(" + value + " AS REAL), " + numbers[1] + ")";
        }
        if (type == "SMALLINT") return "CAST(" + value + " AS INTEGER)";
        return "CAST(" + value + " AS " + text(parts[1]) + ")";
    }

    static std::optional<std::string> rewriteLiteral(const Token& type, const Token& literal) {
        if (type.kind != TokenKind::Word) return std::nullopt;
        const std::string name = asciiUpper(type.text);
        const std::string value = sqlUnquoted(literal.text);
        try {
            if (name == "DATE") return sqlQuoted(parseDateLiteral(value).toText(), '\'');
            if (name == "TIME") return sqlQuoted(Time::parse(value).toText(), '\'');
            if (name == "TIMESTAMP") {
                std::string text = Timestamp::parse(value).toText();
                std::replace(text.begin(), text.end(), 'T', ' ');
                return sqlQuoted(text, '\'');
            }
        } catch (const EngineError&) {
            throw EngineError(errkind::kValue, "SQL error: " + name + " literal " + literal.text + " does not read");
        }
        return std::nullopt;
    }

    std::vector<Token> tokens_;
};

}  // namespace

std::string rewriteSqlDialect(const std::string& sql) {
    const auto tokens = tokenize(sql);
    return Rewriter(tokens).range(0, tokens.size());
}

}  // namespace tabulon
