#include "DbaseDriver.h"

#include "../../core/EngineError.h"
#include "../Drivers.h"
#include "DbaseTable.h"

namespace tabulon::dbase {

std::unique_ptr<StorageTable> DbaseDriver::open(const std::filesystem::path& path, const OpenOptions& options) const {
    return std::make_unique<DbaseTable>(*this, path, options);
}

std::unique_ptr<StorageTable> DbaseDriver::create(const std::filesystem::path&, const std::vector<FieldDef>&,
                                                  const std::vector<IndexDef>&, const CreateOptions&) const {
    throw EngineError(errkind::kNotSupported, "Creating dBase tables is not available in this build");
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

FieldDef DbaseDriver::nearestField(const FieldDef& source) const {
    throw EngineError(errkind::kValue, "Field " + source.name + " has no dBase counterpart in this build");
}

}  // namespace tabulon::dbase
