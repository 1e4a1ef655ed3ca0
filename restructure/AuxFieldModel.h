#pragma once
// The field grid's model: the rows of the auxiliary table with the columns "N", "Name",
// "Type", "Size", "Req" and "Index". Each edited cell is stored at once through the table's row
// normalisation, so the grid shows what was stored. "N" and "Index" are read-only; "Req" too for
// a dBase structure. Failures are reported through editFailed(), never thrown at the view.
// Interface thread only.
#include <QAbstractTableModel>
#include <functional>

#include "AuxTable.h"

class TAuxFieldModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TAuxFieldModel(TAuxTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // Appends one new field at the end.
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    // Deletes the fields; rowsDeleting() names each first.
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

    void setReqEditable(bool editable) { reqEditable_ = editable; }
    // Reads the table's rows again after it changed.
    void reload();
    // Runs a change of the table, then reads it again; reports a failure. False on failure.
    bool change(const std::function<void()>& work);
    QString name(int row) const;

signals:
    void editFailed(const QString& message);
    // The field `name` is about to be deleted.
    void rowDeleting(const QString& name);
    // The field `name` was stored as `newName`.
    void rowRenamed(const QString& name, const QString& newName);

private:
    TAuxTable& table_;
    std::vector<tabulon::Record> rows_;
    bool reqEditable_ = true;
};
