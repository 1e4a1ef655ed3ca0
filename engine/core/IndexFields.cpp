#include "IndexFields.h"

#include <algorithm>

namespace tabulon {

std::vector<std::string> indexFieldNames(std::string_view fields) {
    std::vector<std::string> names;
    while (!fields.empty()) {
        const std::size_t end = std::min(fields.find(';'), fields.size());
        std::string_view name = fields.substr(0, end);
        fields.remove_prefix(std::min(end + 1, fields.size()));
        const std::size_t first = name.find_first_not_of(' ');
        if (first == std::string_view::npos) continue;
        names.emplace_back(name.substr(first, name.find_last_not_of(' ') + 1 - first));
    }
    return names;
}

}  // namespace tabulon
