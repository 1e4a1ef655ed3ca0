#include "HeaderSniffer.h"

#include <set>

#include "TextCell.h"

namespace tabulon {

bool sniffHeader(const std::vector<std::vector<std::string>>& rows, const std::vector<FieldType>& bodyTypes) {
    if (rows.size() < 2) return false;
    const auto& first = rows.front();
    bool allString = true;
    for (std::size_t column = 0; column < first.size() && column < bodyTypes.size(); ++column) {
        if (bodyTypes[column] == ftString) continue;
        allString = false;
        if (!first[column].empty() && !parseTextCell(first[column], bodyTypes[column])) return true;
    }
    if (!allString) return false;
    std::set<std::string> distinct;
    for (const auto& cell : first)
        if (cell.empty() || !distinct.insert(cell).second) return false;
    return true;
}

}  // namespace tabulon
