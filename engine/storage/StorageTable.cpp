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

StorageTable::WorkReport::WorkReport(StorageTable& table, int indexesFrom) : table_(table) {
    table.indexesFrom_ = indexesFrom;
    table.reported_ = -1;
    table.report(0, indexesFrom > 0 ? WorkPhase::Records : WorkPhase::Indexes);
}

void StorageTable::report(int percent, WorkPhase phase) {
    // Several index files rebuilt one after another each start again from their first record.
    if (!progressHook_ || percent <= reported_) return;
    reported_ = percent;
    progressHook_(percent, phase);
}

}  // namespace tabulon
