#pragma once
// The file list's entries as a table for its views: the caption with its icon and the four
// visible columns. It shows the list's own vector, so a folder of many thousands of files is
// shown with one reset instead of an item object per cell. One caption at a time may be edited;
// the edited text is kept here until the list takes it. Interface thread only.
#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

#include "FileEntry.h"

class TFileEntryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TFileEntryModel(const std::vector<TFileEntry>& entries, QObject* parent);

    // Shows the entries anew after the vector changed.
    void reset();
    void setHeads(const QStringList& heads);
    // Lets the caption of `row` be edited (-1: none) and starts its edited text from the caption.
    void setEditableRow(int row);
    const QString& editedCaption() const { return editedCaption_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    const std::vector<TFileEntry>& entries_;
    QStringList heads_;
    int editableRow_ = -1;
    QString editedCaption_;
};
