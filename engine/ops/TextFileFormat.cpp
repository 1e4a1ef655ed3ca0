#include "TextFileFormat.h"

#include "../core/AsciiCase.h"
#include "../core/EngineError.h"

namespace tabulon {

std::string separatorOf(const TextFileFormat& format) {
    if (asciiUpper(format.separator) == "^T") return "\t";
    if (format.format == TextFormat::Csv && format.separator.empty()) return ",";
    return format.separator;
}

std::string fileEncoding(const TextFileFormat& format, const std::string& tableCodePage) {
    return format.encoding.empty() ? tableCodePage : format.encoding;
}

std::vector<std::size_t> fieldPositions(const std::vector<FieldDef>& fields, const std::vector<std::string>& names,
                                        const std::string& table) {
    std::vector<bool> taken(fields.size());
    std::vector<std::size_t> positions;
    for (const std::string& name : names) {
        std::size_t f = 0;
        while (f < fields.size() && (taken[f] || !equalsIgnoringAsciiCase(fields[f].name, name))) ++f;
        if (f == fields.size()) throw EngineError(errkind::kValue, name + " names no field of " + table);
        taken[f] = true;
        positions.push_back(f);
    }
    return positions;
}

}  // namespace tabulon
