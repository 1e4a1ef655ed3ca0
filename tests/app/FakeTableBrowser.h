#pragma once
// A stand-in for the dataset layer: it "opens" the files it is told to and records what the
// window asks of it, so the window's table life can be checked without real tables.
#include <QHash>
#include <QSet>
#include <QStandardItemModel>
#include <stdexcept>

#include "TableBrowser.h"

class FakeTableBrowser : public TTableBrowser {
public:
    QSet<QString> openableCached;    // file names that open with cached updates
    QSet<QString> openableUncached;  // file names that open only without them
    bool applyFails = false;
    bool pending = false;
    int applied = 0;
    int cancelled = 0;
    int refreshed = 0;
    QString folder;
    QStringList indexFiles;
    // What the table of each file name can do once open; a name not listed: what a Paradox table can.
    QHash<QString, tabulon::TableCapabilities> capabilitiesOf;
    // The table the pages inspect after an opening; null leaves them empty.
    tabulon::Table* pageTable = nullptr;

    void connectTo(const QString& f) override { folder = f; }
    void disconnect() override { folder.clear(); }
    bool isConnected() const override { return !folder.isEmpty(); }
    tabulon::Table* datasetTable() override { return open_ ? pageTable : nullptr; }
    bool open(const QString& name, bool cached) override {
        open_ = cached ? openableCached.contains(name) : openableUncached.contains(name);
        cached_ = open_ && cached;
        name_ = name;
        if (open_) {
            model_.setRowCount(3);
            model_.setColumnCount(2);
        }
        return open_;
    }
    void close() override {
        open_ = false;
        cached_ = false;
        editing = false;
        indexFiles.clear();
    }
    bool isOpen() const override { return open_; }
    bool cachedUpdates() const override { return cached_; }
    tabulon::TableCapabilities capabilities() const override {
        const tabulon::TableCapabilities paradox{
            .write = true, .transactions = true, .indexes = true, .indexFiles = false};
        return open_ ? capabilitiesOf.value(name_, paradox) : tabulon::TableCapabilities{};
    }
    void openIndexFile(const QString& name) override { indexFiles << name; }
    QAbstractItemModel* model() override { return open_ ? &model_ : nullptr; }
    void setEditing(bool on) override { editing = on; }
    bool hasPendingChanges() const override { return pending; }
    void applyUpdates() override {
        if (applyFails) {
            throw std::runtime_error("EKeyViolation: Key violation in orders.db");
        }
        pending = false;
        ++applied;
    }
    void cancelUpdates() override {
        pending = false;
        ++cancelled;
    }
    void refresh() override { ++refreshed; }

    bool editing = false;

private:
    bool open_ = false;
    bool cached_ = false;
    QString name_;
    QStandardItemModel model_;
};
