#pragma once
// What the main window needs of the dataset layer to show one table: a connection pointed at a
// folder, a table opened by its bare file name with or without cached updates, the grid's model,
// and the edit, post, cancel and refresh of its records. The dataset layer implements it; the
// window owns one. Interface thread only.
#include <QString>

#include "storage/StorageTable.h"

class QAbstractItemModel;

namespace tabulon {
class Table;
}

class TTableBrowser {
public:
    virtual ~TTableBrowser() = default;

    // Points the connection at `folder` ("PATH=" and the folder). Throws when it cannot.
    virtual void connectTo(const QString& folder) = 0;
    virtual void disconnect() = 0;
    virtual bool isConnected() const = 0;

    // Opens the table file `fileName` (no folder) of the connected folder; false when it cannot
    // be opened. Never throws for a table that cannot be opened.
    virtual bool open(const QString& fileName, bool cachedUpdates) = 0;
    // The code page the next open() reads the table in ("CP866"); empty: the table's own.
    virtual void setEncoding(const QString&) {}
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Why the last open() failed ("Kind: message."); empty when it did not fail.
    virtual QString openError() const { return {}; }
    virtual bool cachedUpdates() const = 0;
    // What the open table can do; nothing while none is open.
    virtual tabulon::TableCapabilities capabilities() const = 0;
    // Opens a dBase index file (no folder) on the open table; the production index may already
    // be open, which is not an error.
    virtual void openIndexFile(const QString& fileName) = 0;

    // The grid's model of the open table's records; nullptr while no table is open.
    virtual QAbstractItemModel* model() = 0;
    // Lets the grid change records (true) or only show them (false).
    virtual void setEditing(bool editing) = 0;
    // Whether changes wait in the cache or in a record being edited.
    virtual bool hasPendingChanges() const = 0;
    // Applies the cached changes inside one transaction and empties the cache. Throws when they
    // cannot be applied; the transaction is then rolled back and the cache kept as it was.
    virtual void applyUpdates() = 0;
    // Drops every cached change and any edit in progress.
    virtual void cancelUpdates() = 0;
    // Reads the table's records again.
    virtual void refresh() = 0;
    // The grid's current row changed: leaving an edited row posts it.
    virtual void currentRowChanged(int) {}
    // The focus left the grid: an appended row left untouched is dropped.
    virtual void leaveGrid() {}

    // The open dataset table, for the pages that inspect it; null when none is open or the
    // browser has no dataset layer under it.
    virtual tabulon::Table* datasetTable() { return nullptr; }
    // The pages changed what the open table shows (filter, order, reopening): the grid reads
    // it anew.
    virtual void viewChanged() {}
    // The pages moved the open table to another record: the grid's current row follows it.
    // Returns that row, or -1 when there is none.
    virtual int tableMoved() { return -1; }
};
