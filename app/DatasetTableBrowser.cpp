#include "DatasetTableBrowser.h"

#include "ErrorReport.h"
#include "RecordGridModel.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"

TDatasetTableBrowser::TDatasetTableBrowser(tabulon::Session& session, const tabulon::StorageDriver* driver)
    : session_(session), connection_(session.addConnection(kAlias)), driver_(driver) {}

TDatasetTableBrowser::~TDatasetTableBrowser() {
    close();
    session_.removeConnection(connection_);
}

void TDatasetTableBrowser::connectTo(const QString& folder) {
    disconnect();
    connection_.setDriverName(tabulon::Connection::kDriverName);
    connection_.setParams(tabulon::Connection::folderParams(folder.toStdString()));
    connection_.connect();
}

void TDatasetTableBrowser::disconnect() {
    close();
    connection_.disconnect();
}

bool TDatasetTableBrowser::isConnected() const { return connection_.connected(); }

bool TDatasetTableBrowser::open(const QString& fileName, bool cachedUpdates) {
    close();
    openError_.clear();
    if (!isConnected()) {
        openError_ = QStringLiteral("%1: the folder is not connected").arg(fileName);
        return false;
    }
    auto table = std::make_unique<tabulon::Table>(connection_);
    try {
        table->setTableName(fileName.toStdString());
        table->setDriver(driver_);
        table->setCachedUpdates(cachedUpdates);
        table->setEncoding(encoding_);
        table->open();
    } catch (const std::exception& error) {
        openError_ = ErrorText(error);
        return false;
    }
    table_ = std::move(table);
    model_ = std::make_unique<TRecordGridModel>(*table_);
    QObject::connect(model_.get(), &TRecordGridModel::editFailed, model_.get(), &ShowErrorReport);
    return true;
}

void TDatasetTableBrowser::close() {
    model_.reset();
    if (table_ && connection_.inTransaction()) {
        connection_.rollback();
    }
    table_.reset();
}

bool TDatasetTableBrowser::isOpen() const { return table_ != nullptr; }

bool TDatasetTableBrowser::cachedUpdates() const { return table_ && table_->cachedUpdates(); }

tabulon::TableCapabilities TDatasetTableBrowser::capabilities() const {
    return table_ ? table_->capabilities() : tabulon::TableCapabilities{};
}

void TDatasetTableBrowser::openIndexFile(const QString& fileName) {
    if (table_) {
        table_->addIndexFile(fileName.toStdString());
        model_->reload();
    }
}

QAbstractItemModel* TDatasetTableBrowser::model() { return model_.get(); }

void TDatasetTableBrowser::setEditing(bool editing) {
    if (model_) {
        model_->setEditable(editing);
    }
}

bool TDatasetTableBrowser::hasPendingChanges() const {
    return table_ && (table_->updatesPending() || model_->hasUnpostedRow());
}

void TDatasetTableBrowser::applyUpdates() {
    if (!table_) {
        return;
    }
    model_->postRow();
    if (!table_->cachedUpdates()) {
        return;
    }
    connection_.startTransaction();
    try {
        table_->applyUpdates();
        connection_.commit();
    } catch (...) {
        // The rollback puts the cache back in force, so the user can correct or cancel.
        connection_.rollback();
        model_->reload();
        throw;
    }
    table_->commitUpdates();
    model_->reload();
}

void TDatasetTableBrowser::cancelUpdates() {
    if (table_) {
        table_->cancelUpdates();
        model_->reload();
    }
}

void TDatasetTableBrowser::refresh() {
    if (table_) {
        model_->postRow();
        table_->refresh();
        model_->reload();
    }
}

void TDatasetTableBrowser::viewChanged() {
    if (model_) {
        model_->reload();
    }
}

int TDatasetTableBrowser::tableMoved() {
    if (!model_) {
        return -1;
    }
    const std::uint64_t number = table_->recordNumber();
    const int row =
        number == 0 || number > static_cast<std::uint64_t>(model_->rowCount()) ? -1 : static_cast<int>(number - 1);
    model_->tableMovedTo(row);
    return row;
}

void TDatasetTableBrowser::currentRowChanged(int row) {
    if (model_) {
        model_->setCurrentRow(row);
    }
}

void TDatasetTableBrowser::leaveGrid() {
    if (model_) {
        model_->leaveGrid();
    }
}
