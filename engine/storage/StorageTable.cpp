#include "StorageTable.h"

#include "../core/EngineError.h"

namespace tabulon {

void StorageTable::attachIndexFile(const std::filesystem::path& file) {
    throw EngineError(errkind::kNotSupported, "Table " + path().filename().string() + " cannot attach index file " +
                                                  file.filename().string() + ": its format has no index files");
}

void StorageTable::regenerateIndexes() {
    throw EngineError(errkind::kNotSupported,
                      "Table " + path().filename().string() + " has no indexes to regenerate in its format");
}

}  // namespace tabulon
