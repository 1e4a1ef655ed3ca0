#include <algorithm>

#include "../core/EngineError.h"
#include "Drivers.h"
#include "StorageTable.h"

namespace tabulon {

std::string familyMemberName(const std::filesystem::path& member, const std::filesystem::path& table,
                             const std::string& newBaseName) {
    const std::string name = member.filename().string();
    return newBaseName + name.substr(std::min(name.size(), table.stem().string().size()));
}

void StorageDriver::renameFamily(const std::filesystem::path& table, const std::string& newBaseName) const {
    const std::filesystem::path folder = table.parent_path();
    if (newBaseName.empty() || newBaseName.find('/') != std::string::npos)
        throw EngineError(errkind::kFile, "'" + newBaseName + "' is not a valid table name");

    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> moves;
    for (const auto& from : familyFiles(table)) {
        const std::string target = familyMemberName(from, table, newBaseName);
        if (const auto existing = findFileIgnoringCase(folder, target); !existing.empty())
            throw EngineError(errkind::kFile, "Cannot rename " + table.string() + ": " +
                                                  existing.string() + " exists already");
        moves.emplace_back(from, folder / target);
    }
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> done;
    try {
        for (const auto& [from, to] : moves) {
            std::filesystem::rename(from, to);
            done.emplace_back(from, to);
        }
    } catch (const std::filesystem::filesystem_error& e) {
        // Put back what was renamed, so the family is never split between two names.
        std::error_code ignored;
        for (auto it = done.rbegin(); it != done.rend(); ++it) std::filesystem::rename(it->second, it->first, ignored);
        throw EngineError(errkind::kFile, "Cannot rename " + e.path1().string() + ": " + e.code().message());
    }
    syncFolder(folder);
}

}  // namespace tabulon
