#pragma once
// The table browser over the dataset layer: a connection "Vendraker" of a session (driver
// "STANDARD", "PATH=" the folder, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"), one table of
// its folder, and the grid's model of that table. Posting applies the cached changes inside a
// transaction of the connection and then empties the cache; a failure rolls back and keeps
// the cache. connectTo() throws the connection's EngineError; open() throws nothing; the
// others throw the table's EngineError. Interface thread only (the session's thread).
#include <memory>

#include "TableBrowser.h"

namespace tabulon {
class Connection;
class Session;
class StorageDriver;
class Table;
}  // namespace tabulon

class TRecordGridModel;

class TDatasetTableBrowser : public TTableBrowser {
public:
    static constexpr const char* kAlias = "Vendraker";

    // Adds the connection to `session`; EUsageError when the session has one of that alias.
    // `driver`: a storage driver to open every table with instead of the built-in ones (null:
    // the built-in driver of each table's extension).
    explicit TDatasetTableBrowser(tabulon::Session& session, const tabulon::StorageDriver* driver = nullptr);
    ~TDatasetTableBrowser() override;

    void connectTo(const QString& folder) override;
    void disconnect() override;
    bool isConnected() const override;
    bool open(const QString& fileName, bool cachedUpdates) override;
    void close() override;
    bool isOpen() const override;
    QString openError() const override { return openError_; }
    bool cachedUpdates() const override;
    tabulon::TableCapabilities capabilities() const override;
    void setEncoding(const QString& codePage) override { encoding_ = codePage.toStdString(); }
    void openIndexFile(const QString& fileName) override;
    QAbstractItemModel* model() override;
    void setEditing(bool editing) override;
    bool hasPendingChanges() const override;
    void applyUpdates() override;
    void cancelUpdates() override;
    void refresh() override;
    void currentRowChanged(int row) override;
    void leaveGrid() override;
    tabulon::Table* datasetTable() override { return table_.get(); }
    void viewChanged() override;
    int tableMoved() override;

private:
    tabulon::Session& session_;
    tabulon::Connection& connection_;
    const tabulon::StorageDriver* driver_;
    std::unique_ptr<tabulon::Table> table_;
    std::string encoding_;  // for the next open(); empty: the table's own
    std::unique_ptr<TRecordGridModel> model_;
    QString openError_;
};
