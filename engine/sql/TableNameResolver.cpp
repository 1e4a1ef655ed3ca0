#include "TableNameResolver.h"

#include "../core/EngineError.h"
#include "../storage/Drivers.h"

namespace tabulon {
namespace {

// Walks the folders of `relative` without regard to letter case; empty when one is missing.
std::filesystem::path findFolder(const std::filesystem::path& folder, const std::filesystem::path& relative) {
    std::filesystem::path current = folder;
    for (const auto& part : relative) {
        current = findFileIgnoringCase(current, part.string());
        if (current.empty() || !std::filesystem::is_directory(current)) return {};
    }
    return current;
}

}  // namespace

std::filesystem::path resolveTableName(const std::filesystem::path& folder, const std::string& name) {
    const std::filesystem::path relative(name);
    if (name.empty() || relative.is_absolute()) {
        throw EngineError(errkind::kValue, "Table name \"" + name + "\" must be relative to the folder");
    }
    for (const auto& part : relative) {
        if (part == "..") throw EngineError(errkind::kValue, "Table name \"" + name + "\" leaves the folder");
    }
    const std::filesystem::path parent = findFolder(folder, relative.parent_path());
    if (parent.empty()) return {};
    const std::string base = relative.filename().string();
    if (relative.has_extension()) return findFileIgnoringCase(parent, base);
    for (const char* extension : {".DB", ".DBF", ".TXT"}) {
        if (auto found = findFileIgnoringCase(parent, base + extension); !found.empty()) return found;
    }
    return {};
}

}  // namespace tabulon
