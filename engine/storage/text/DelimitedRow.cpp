#include "DelimitedRow.h"

namespace tabulon {

std::size_t readDelimitedRow(std::string_view text, std::size_t start, const TextDialect& dialect,
                             std::vector<std::string>& cells) {
    cells.clear();
    std::string cell;
    bool quoted = false;
    bool cellStarted = false;
    std::size_t i = start;
    while (i < text.size()) {
        const char c = text[i];
        if (quoted) {
            if (c == dialect.quote) {
                if (i + 1 < text.size() && text[i + 1] == dialect.quote) {
                    cell += c;
                    i += 2;
                    continue;
                }
                quoted = false;
            } else {
                cell += c;
            }
            ++i;
            continue;
        }
        if (c == dialect.separator) {
            cells.push_back(std::move(cell));
            cell.clear();
            cellStarted = false;
            ++i;
            continue;
        }
        if (c == '\n' || c == '\r') {
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            cells.push_back(std::move(cell));
            return i;
        }
        if (c == dialect.quote && dialect.quote != 0 && !cellStarted) {
            quoted = true;
            cellStarted = true;
            ++i;
            continue;
        }
        cell += c;
        cellStarted = true;
        ++i;
    }
    cells.push_back(std::move(cell));
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
