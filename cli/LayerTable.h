#pragma once
// A table opened for reading through the dataset layer, with the session and connection it needs.
#include <filesystem>
#include <memory>
#include <string>

#include "dataset/Session.h"
#include "dataset/Table.h"

namespace tabulon::cli {

// A table `path` to be opened in a session of its own, connected to the table's folder;
// read-only unless table().setReadOnly(false) says otherwise. Set the index, filter and options
// on table() before open(). `driver`: one to use instead of the built-in one (null: the
// built-in one). Throws what the layer throws.
class LayerTable {
public:
    LayerTable(const std::filesystem::path& path, const std::string& encoding, const StorageDriver* driver = nullptr);
    Table& table() { return *table_; }
    Connection& connection() { return *connection_; }
    void open() { table_->open(); }

private:
    Session session_;
    Connection* connection_;
    std::unique_ptr<Table> table_;
};

// Reads the format option shared by dump and find: true for csv. UsageError for another.
bool csvFormat(const std::string& format);

}  // namespace tabulon::cli
