#include "LayerTable.h"

#include "Arguments.h"

namespace tabulon::cli {

LayerTable::LayerTable(const std::filesystem::path& path, const std::string& encoding, const StorageDriver* driver)
    : session_("tabulon-cli") {
    const std::filesystem::path folder = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    connection_ = &session_.addConnection("Folder");
    connection_->setParams(Connection::folderParams(folder.string()));
    connection_->connect();
    table_ = std::make_unique<Table>(*connection_);
    table_->setTableName(path.filename().string());
    table_->setReadOnly(true);
    table_->setEncoding(encoding);
    table_->setDriver(driver);
}

bool csvFormat(const std::string& format) {
    if (format != "jsonl" && format != "csv") throw UsageError("--format is jsonl or csv, not '" + format + "'");
    return format == "csv";
}

}  // namespace tabulon::cli
