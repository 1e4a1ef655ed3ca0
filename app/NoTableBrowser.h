#pragma once
// The table browser of a program built without the dataset layer: it connects to folders but
// opens no table, so the window stays without a table and says it could not open one.
// Interface thread only.
#include "TableBrowser.h"

class TNoTableBrowser : public TTableBrowser {
public:
    void connectTo(const QString& folder) override { folder_ = folder; }
    void disconnect() override { folder_.clear(); }
    bool isConnected() const override { return !folder_.isEmpty(); }
    bool open(const QString&, bool) override { return false; }
    void close() override {}
    bool isOpen() const override { return false; }
    bool cachedUpdates() const override { return false; }
    tabulon::TableCapabilities capabilities() const override { return {}; }
    void openIndexFile(const QString&) override {}
    QAbstractItemModel* model() override { return nullptr; }
    void setEditing(bool) override {}
    bool hasPendingChanges() const override { return false; }
    void applyUpdates() override {}
    void cancelUpdates() override {}
    void refresh() override {}

private:
    QString folder_;
};
