#include "DelimitedRow.h"

namespace tabulon {

namespace {
bool endsCell(char c, const TextDialect& dialect) { return c == dialect.separator || c == '\n' || c == '\r'; }

// Reads a quoted value starting just after its opening quote into `cell`, up to the closing
// quote (doubled quotes inside stand for one); returns the offset after the closing quote.
std::size_t readQuoted(std::string_view text, std::size_t i, char quote, std::string& cell) {
    while (i < text.size()) {
        const std::size_t close = text.find(quote, i);
        if (close == std::string_view::npos) {
            cell.append(text.substr(i));
            return text.size();
        }
        cell.append(text.substr(i, close - i));
        if (close + 1 < text.size() && text[close + 1] == quote) {
            cell += quote;
            i = close + 2;
            continue;
        }
        return close + 1;
    }
    return i;
}
}  // namespace

std::size_t readDelimitedRow(std::string_view text, std::size_t start, const TextDialect& dialect,
                             std::vector<std::string>& cells) {
    // The strings of `cells` are reused, so a walk over many records keeps their buffers.
    std::size_t count = 0;
    std::size_t i = start;
    while (true) {
        if (count == cells.size()) cells.emplace_back();
        std::string& cell = cells[count++];
        cell.clear();
        if (dialect.quote != 0 && i < text.size() && text[i] == dialect.quote)
            i = readQuoted(text, i + 1, dialect.quote, cell);
        const std::size_t from = i;
        while (i < text.size() && !endsCell(text[i], dialect)) ++i;
        cell.append(text.substr(from, i - from));
        if (i >= text.size()) break;
        const char c = text[i++];
        if (c != dialect.separator) {
            if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
            break;
        }
    }
    cells.resize(count);
    return i;
}

void readFixedRow(std::string_view line, const std::vector<FixedColumn>& columns, std::vector<std::string>& cells) {
    cells.clear();
    for (const FixedColumn& column : columns) {
        std::string_view part;
        if (column.offset < line.size()) part = line.substr(column.offset, column.width);
        while (!part.empty() && (part.back() == ' ' || part.back() == '\r')) part.remove_suffix(1);
        cells.emplace_back(part);
    }
}

}  // namespace tabulon
