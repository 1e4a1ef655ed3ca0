#pragma once
// Splits delimited text into records and values.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "TextDialect.h"

namespace tabulon {

// Reads the record that starts at `start` in `text` into `cells` (quotes removed, doubled
// quotes made single) and returns the offset just past its line break. Quoted values may hold
// separators and line breaks; an unterminated quote runs to the end of `text`. Pure function.
std::size_t readDelimitedRow(std::string_view text, std::size_t start, const TextDialect& dialect,
                             std::vector<std::string>& cells);

// Splits a fixed-width line: the text between offset and offset + width of each column,
// with trailing blanks removed; columns past the end of the line are empty.
struct FixedColumn {
    std::size_t offset = 0;
    std::size_t width = 0;
};
void readFixedRow(std::string_view line, const std::vector<FixedColumn>& columns, std::vector<std::string>& cells);

}  // namespace tabulon
