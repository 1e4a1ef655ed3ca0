#include "QueryResultModel.h"

#include <climits>

#include "GridCell.h"
#include "core/EngineError.h"
#include "dataset/ValueText.h"

namespace {

QString failureText(const std::exception& e) {
    if (const auto* engine = dynamic_cast<const tabulon::EngineError*>(&e))
        return QString::fromStdString(engine->formatted());
    return QString::fromUtf8(e.what());
}

int shownRows(const tabulon::Query& query) {
    return static_cast<int>(std::min<std::uint64_t>(query.fetchedCount(), INT_MAX));
}

}  // namespace

TQueryResultModel::TQueryResultModel(tabulon::Query& query, QObject* parent)
    : QAbstractTableModel(parent), query_(query), shown_(shownRows(query)) {}

int TQueryResultModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

int TQueryResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(query_.fieldCount());
}

QVariant TQueryResultModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    const tabulon::FieldDef& field = query_.fieldDefs().at(static_cast<std::size_t>(index.column()));
    if (role == GridRole::kFieldType) return static_cast<int>(field.type);
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != GridRole::kValue) return {};
    try {
        const tabulon::Value& value =
            query_.rowValues(static_cast<std::size_t>(index.row())).at(static_cast<std::size_t>(index.column()));
        return fieldCellData(value, field, query_.regionalSettings(), role);
    } catch (const std::exception&) {
        return {};
    }
}

QVariant TQueryResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const tabulon::FieldDef& field = query_.fieldDefs().at(static_cast<std::size_t>(section));
    if (role == GridRole::kFieldWidth) return declaredFieldWidth(field);
    if (role == Qt::DisplayRole) return QString::fromStdString(field.name);
    return {};
}

Qt::ItemFlags TQueryResultModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    // A memo or binary value is not typed into a cell.
    if (index.isValid() && query_.canModify() &&
        !tabulon::isBlobType(query_.fieldDefs().at(static_cast<std::size_t>(index.column())).type)) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

bool TQueryResultModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    if (value.toString() == data(index, Qt::EditRole).toString()) return true;
    const auto column = static_cast<std::size_t>(index.column());
    return change([&] {
        query_.moveTo(static_cast<std::size_t>(index.row()));
        query_.edit();
        query_.setFieldValue(column,
                             tabulon::parseFieldValue(value.toString().toStdString(), query_.fieldDefs().at(column),
                                                      query_.regionalSettings()));
        query_.post();
    });
}

bool TQueryResultModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || count != 1 || row < 0 || row >= shown_ || !query_.canModify()) return false;
    return change([&] {
        query_.moveTo(static_cast<std::size_t>(row));
        query_.remove();
    });
}

bool TQueryResultModel::change(const std::function<void()>& write) {
    bool done = true;
    try {
        write();
    } catch (const std::exception& e) {
        query_.cancelEdit();
        done = false;
        emit failed(failureText(e));
    }
    // The statement ran again, so every row may have changed. Shown once the view is done with
    // the edit that led here: a reset now would pull the cell editor from under it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            beginResetModel();
            shown_ = shownRows(query_);
            endResetModel();
        },
        Qt::QueuedConnection);
    return done;
}

bool TQueryResultModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !query_.allFetched();
}

void TQueryResultModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid()) return;
    try {
        query_.fetchMore(kPage);
    } catch (const std::exception& e) {
        emit failed(failureText(e));
    }
    showRowsRead();
}

void TQueryResultModel::showRowsRead() {
    const int read = shownRows(query_);
    if (read <= shown_) return;
    beginInsertRows({}, shown_, read - 1);
    shown_ = read;
    endInsertRows();
}
