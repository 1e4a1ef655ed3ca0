#include "TypeSniffer.h"

#include "TextCell.h"

namespace tabulon {

namespace {
constexpr FieldType kCandidates[] = {ftBoolean, ftInteger, ftFloat, ftTime, ftDate, ftDateTime};

bool columnReadsAs(const std::vector<std::vector<std::string>>& rows, std::size_t column, FieldType type) {
    for (const auto& row : rows)
        if (column < row.size() && !parseTextCell(row[column], type)) return false;
    return true;
}
}  // namespace

std::vector<FieldType> sniffColumnTypes(const std::vector<std::vector<std::string>>& rows, std::size_t columns) {
    std::vector<FieldType> types(columns, ftString);
    for (std::size_t column = 0; column < columns; ++column) {
        bool hasValue = false;
        for (const auto& row : rows) hasValue = hasValue || (column < row.size() && !row[column].empty());
        if (!hasValue) continue;
        for (const FieldType candidate : kCandidates) {
            if (columnReadsAs(rows, column, candidate)) {
                types[column] = candidate;
                break;
            }
        }
    }
    return types;
}

}  // namespace tabulon
