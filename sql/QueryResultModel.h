#pragma once
// A result window's grid model over one open query: one row per result row read so far, one
// column per field. Further rows are read as the view scrolls to them (canFetchMore and
// fetchMore), a page at a time, so a result of a million rows shows its first screen at once.
// A live result's cells can be edited: a changed cell is posted to the table at once, and the
// statement runs again; Ctrl+Delete in the grid removes the row's record. Failures are reported
// through failed(), never thrown at the view. Interface thread only; the query must stay open
// while the model exists.
#include <QAbstractTableModel>

#include "sql/Query.h"

class TQueryResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kPage = 256;

    explicit TQueryResultModel(tabulon::Query& query, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // Shows the rows others read from the query since (a save of the whole result, say).
    void showRowsRead();

signals:
    // Reading, editing or removing failed; `message` says what and why ("Kind: message.").
    void failed(const QString& message);

private:
    // Runs a change of the query; on failure drops the edit and reports it. The rows are shown
    // anew either way, since a posted change runs the statement again.
    bool change(const std::function<void()>& write);

    tabulon::Query& query_;
    int shown_ = 0;
};
