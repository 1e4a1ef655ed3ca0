#include "TableDefinitions.h"

#include "../core/EngineError.h"
#include "../io/File.h"
#include "../storage/Drivers.h"

namespace tabulon {

std::filesystem::path existingTable(const std::filesystem::path& path) {
    const std::filesystem::path actual =
        findFileIgnoringCase(path.parent_path(), path.filename().string());
    if (actual.empty())
        throw EngineError(errkind::kFile, "Table " + path.string() + " does not exist");
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

void TableDefinitions::create(const std::filesystem::path& path, TableType type,
                              const std::vector<FieldDef>& fields,
                              const std::vector<IndexDef>& indexes,
                              const CreateOptions& options) const {
    const StorageDriver& driver = type == ttDefault ? driverForPath(path) : driverFor(type);
    if (const auto old = findFileIgnoringCase(path.parent_path(), path.filename().string());
        !old.empty()) {
        // Holding the old table exclusively proves nobody has it open before it goes.
        openExclusive(old).reset();
        trashFamily(old);
    }
    driver.create(path, fields, indexes, options);
}

void TableDefinitions::rename(const std::filesystem::path& path,
                              const std::string& newBaseName) const {
    const std::filesystem::path actual = existingTable(path);
    // Only a table nobody uses may change its name.
    openExclusive(actual).reset();
    driverForPath(actual).renameFamily(actual, newBaseName);
}

void TableDefinitions::copy(const std::filesystem::path& path,
                            const std::string& newBaseName) const {
    const std::filesystem::path actual = existingTable(path);
    const auto source =
        openExclusive(actual);  // no writer may change the files while they are copied
    const std::filesystem::path folder = actual.parent_path();
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> copies;
    for (const auto& from : driverForPath(actual).familyFiles(actual)) {
        const std::string target = familyMemberName(from, actual, newBaseName);
        if (const auto existing = findFileIgnoringCase(folder, target); !existing.empty())
            throw EngineError(errkind::kFile, "Cannot copy " + actual.string() + ": " +
                                                  existing.string() + " exists already");
        copies.emplace_back(from, folder / target);
    }
    // Each member is written under a temporary name and renamed last, so no half-copied
    // member ever carries the table's name.
    std::vector<std::filesystem::path> written;
    try {
        for (const auto& [from, to] : copies) {
            const std::filesystem::path temporary = to.string() + ".tcopy";
            std::filesystem::copy_file(from, temporary,
                                       std::filesystem::copy_options::overwrite_existing);
            written.push_back(temporary);
        }
        for (std::size_t i = 0; i < copies.size(); ++i)
            std::filesystem::rename(written[i], copies[i].second);
    } catch (const std::filesystem::filesystem_error& e) {
        std::error_code ignored;
        for (const auto& file : written) std::filesystem::remove(file, ignored);
        for (const auto& [from, to] : copies) std::filesystem::remove(to, ignored);
        throw EngineError(errkind::kFile,
                          "Cannot copy " + e.path1().string() + ": " + e.code().message());
    }
    syncFolder(folder);
}

void TableDefinitions::empty(const std::filesystem::path& path) const {
    openExclusive(path)->empty();
}

void TableDefinitions::trashFamily(const std::filesystem::path& path) const {
    const std::filesystem::path actual = existingTable(path);
    for (const auto& file : driverForPath(actual).familyFiles(actual)) trash_.moveToTrash(file);
}

}  // namespace tabulon
