#include <algorithm>

#include "../core/EngineError.h"
#include "../io/FolderMoves.h"
#include "Drivers.h"
#include "StorageTable.h"

namespace tabulon {

std::string familyMemberName(const std::filesystem::path& member, const std::filesystem::path& table,
                             const std::string& newBaseName) {
    const std::string name = member.filename().string();
    return newBaseName + name.substr(std::min(name.size(), table.stem().string().size()));
}

void StorageDriver::storeCodePage(const std::filesystem::path& table, const std::string&) const {
    throw EngineError(errkind::kNotSupported,
                      table.filename().string() + ": a " + format() + " table's header names no code page");
}

void StorageDriver::renameFamily(const std::filesystem::path& table, const std::string& newBaseName) const {
    const std::filesystem::path folder = table.parent_path();
    if (newBaseName.empty() || newBaseName.find('/') != std::string::npos)
        throw EngineError(errkind::kFile, "'" + newBaseName + "' is not a valid table name");

    std::vector<FolderMoves::Move> moves;
    for (const auto& from : familyFiles(table)) {
        const std::string target = familyMemberName(from, table, newBaseName);
        if (const auto existing = findFileIgnoringCase(folder, target); !existing.empty())
            throw EngineError(errkind::kFile,
                              "Cannot rename " + table.string() + ": " + existing.string() + " exists already");
        moves.emplace_back(from.filename().string(), target);
    }
    // One list of moves: a process killed in the middle leaves it for the next open to finish,
    // so the family is never split between two names.
    FolderMoves::run(folder.empty() ? "." : folder, moves);
    storeFamilyNames(folder / familyMemberName(table, table, newBaseName));
}

}  // namespace tabulon
