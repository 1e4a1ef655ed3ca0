#include "TableDefinitions.h"

#include <algorithm>

#include "../core/AsciiCase.h"
#include "../core/EngineError.h"
#include "../io/File.h"
#include "../storage/Drivers.h"
#include "FamilySwap.h"

namespace tabulon {

namespace {

// Whether `index` answers to `name`; a primary index has no name of its own.
bool indexNamed(const IndexDef& index, const std::string& name) {
    if (index.options & ixPrimary) return name.empty() || equalsIgnoringAsciiCase(name, "PRIMARY");
    return equalsIgnoringAsciiCase(index.name, name);
}

}  // namespace

std::filesystem::path existingTable(const std::filesystem::path& path) {
    FamilySwap::recoverFolder(path.parent_path().empty() ? "." : path.parent_path(), DesktopTrash());
    const std::filesystem::path actual = findFileIgnoringCase(path.parent_path(), path.filename().string());
    if (actual.empty()) throw EngineError(errkind::kFile, "Table " + path.string() + " does not exist");
    return actual;
}

std::unique_ptr<StorageTable> openExclusive(const std::filesystem::path& path) {
    OpenOptions options;
    options.access = AccessMode::ReadWrite;
    options.share = ShareMode::Exclusive;
    options.tolerant = false;
    return openTable(existingTable(path), options);
}

TableDefinitions::TableDefinitions(DesktopTrash trash) : trash_(std::move(trash)) {}

void TableDefinitions::create(const std::filesystem::path& path, TableType type, const std::vector<FieldDef>& fields,
                              const std::vector<IndexDef>& indexes, const CreateOptions& options) const {
    const StorageDriver& driver = type == ttDefault ? driverForPath(path) : driverFor(type);
    if (const auto old = findFileIgnoringCase(path.parent_path(), path.filename().string()); !old.empty()) {
        // Holding the old table exclusively proves nobody has it open before it goes.
        openExclusive(old).reset();
        trashFamily(old);
    }
    driver.create(path, fields, indexes, options);
}

void TableDefinitions::rename(const std::filesystem::path& path, const std::string& newName) const {
    const std::filesystem::path actual = existingTable(path);
    const std::string extension = actual.extension().string();
    const bool fileName = !extension.empty() && newName.size() > extension.size() &&
                          equalsIgnoringAsciiCase(newName.substr(newName.size() - extension.size()), extension);
    // Only a table nobody uses may change its name.
    openExclusive(actual).reset();
    driverForPath(actual).renameFamily(actual,
                                       fileName ? newName.substr(0, newName.size() - extension.size()) : newName);
}

void TableDefinitions::empty(const std::filesystem::path& path) const { openExclusive(path)->empty(); }

void TableDefinitions::addIndex(const std::filesystem::path& path, const IndexDef& index,
                                const std::vector<std::string>& indexFiles) const {
    Restructure restructure = currentStructure(path);
    restructure.indexFiles = indexFiles;
    auto& indexes = restructure.indexes;
    const bool primary = (index.options & ixPrimary) != 0;
    const std::string name = primary ? std::string() : index.name;
    if (!primary && name.empty())
        throw EngineError(errkind::kValue, "An index added to " + path.filename().string() + " needs a name");
    if (std::any_of(indexes.begin(), indexes.end(), [&](const IndexDef& i) { return indexNamed(i, name); }))
        throw EngineError(errkind::kValue, "Table " + path.filename().string() + " has an index " +
                                               (primary ? std::string("PRIMARY") : name) + " already");
    // A primary index comes first, as the formats keep it.
    indexes.insert(primary ? indexes.begin() : indexes.end(), index);
    rebuildTable(path, restructure, trash_);
}

void TableDefinitions::deleteIndex(const std::filesystem::path& path, const std::string& name,
                                   const std::vector<std::string>& indexFiles) const {
    Restructure restructure = currentStructure(path);
    restructure.indexFiles = indexFiles;
    auto& indexes = restructure.indexes;
    const auto it =
        std::find_if(indexes.begin(), indexes.end(), [&](const IndexDef& i) { return indexNamed(i, name); });
    if (it == indexes.end())
        throw EngineError(errkind::kValue, "Table " + path.filename().string() + " has no index " + name);
    indexes.erase(it);
    rebuildTable(path, restructure, trash_);
}

void TableDefinitions::restructure(const std::filesystem::path& path, const Restructure& restructure) const {
    rebuildTable(path, restructure, trash_);
}

void TableDefinitions::trashFamily(const std::filesystem::path& path) const {
    const std::filesystem::path actual = existingTable(path);
    for (const auto& file : driverForPath(actual).familyFiles(actual)) trash_.moveToTrash(file);
}

}  // namespace tabulon
