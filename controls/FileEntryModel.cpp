#include "FileEntryModel.h"

TFileEntryModel::TFileEntryModel(const std::vector<TFileEntry>& entries, QObject* parent)
    : QAbstractTableModel(parent), entries_(entries) {}

void TFileEntryModel::reset() {
    beginResetModel();
    editableRow_ = -1;
    endResetModel();
}

void TFileEntryModel::setHeads(const QStringList& heads) {
    heads_ = heads;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void TFileEntryModel::setEditableRow(int row) {
    editableRow_ = row;
    editedCaption_ = row >= 0 && row < rowCount() ? entries_[static_cast<size_t>(row)].caption : QString();
    if (row >= 0) {
        emit dataChanged(index(row, 0), index(row, 0));
    }
}

int TFileEntryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int TFileEntryModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 5; }

QVariant TFileEntryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const TFileEntry& entry = entries_[static_cast<size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            switch (index.column()) {
                case 0:
                    return entry.caption;
                case 1:
                    return entry.size;
                case 2:
                    return entry.type;
                case 3:
                    return entry.date;
                default:
                    return entry.attributes;
            }
        case Qt::DecorationRole:
            return index.column() == 0 ? QVariant(entry.icon) : QVariant();
        case Qt::TextAlignmentRole:
            if (index.column() == 1 || index.column() == 4) {
                return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            }
            return {};
        default:
            return {};
    }
}

QVariant TFileEntryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return heads_.value(section);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TFileEntryModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (index.row() == editableRow_ && index.column() == 0) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

bool TFileEntryModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.row() != editableRow_ || index.column() != 0) {
        return false;
    }
    editedCaption_ = value.toString();
    return true;
}
