#include "DbaseDriver.h"

#include "../../core/EngineError.h"
#include "../Drivers.h"
#include "DbaseCreator.h"
#include "DbaseTable.h"

namespace tabulon::dbase {

std::unique_ptr<StorageTable> DbaseDriver::open(const std::filesystem::path& path, const OpenOptions& options) const {
    return std::make_unique<DbaseTable>(*this, path, options);
}

std::unique_ptr<StorageTable> DbaseDriver::create(const std::filesystem::path& path,
                                                  const std::vector<FieldDef>& fields,
                                                  const std::vector<IndexDef>& indexes,
                                                  const CreateOptions& options) const {
    createDbaseFiles(path, fields, indexes, options);
    OpenOptions open;
    open.access = AccessMode::ReadWrite;
    open.tolerant = false;
    return std::make_unique<DbaseTable>(*this, path, open);
}

std::vector<std::filesystem::path> DbaseDriver::familyFiles(const std::filesystem::path& table) const {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path folder = table.parent_path();
    const std::string stem = table.stem().string();
    const std::filesystem::path actual = findFileIgnoringCase(folder, table.filename().string());
    if (!actual.empty()) files.push_back(actual);
    for (const char* extension : {".DBT", ".FPT", ".MDX", ".CDX"}) {
        const std::filesystem::path companion = findFileIgnoringCase(folder, stem + extension);
        if (!companion.empty()) files.push_back(companion);
    }
    return files;
}

FieldDef DbaseDriver::nearestField(const FieldDef& source) const { return nearestDbaseField(source); }

}  // namespace tabulon::dbase
