#include "AuxFieldModel.h"

#include "core/EngineError.h"

using namespace tabulon;

namespace {

// Grid column -> auxiliary table column.
constexpr TAuxTable::Column kColumns[] = {TAuxTable::cN,    TAuxTable::cName, TAuxTable::cType,
                                          TAuxTable::cSize, TAuxTable::cReq,  TAuxTable::cIdxP};
constexpr int kColumnCount = 6;

}  // namespace

TAuxFieldModel::TAuxFieldModel(TAuxTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table) {}

int TAuxFieldModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TAuxFieldModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant TAuxFieldModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Value& value = rows_[static_cast<std::size_t>(index.row())][kColumns[index.column()]];
    const TAuxTable::Column column = kColumns[index.column()];
    if (role == Qt::TextAlignmentRole) {
        if (column == TAuxTable::cSize) return int(Qt::AlignRight | Qt::AlignVCenter);
        if (column == TAuxTable::cIdxP) return int(Qt::AlignCenter);
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    if (value.isNull()) return QString();
    if (column == TAuxTable::cReq) return value.asBool() ? QStringLiteral("True") : QStringLiteral("False");
    return QString::fromStdString(value.toText());
}

QVariant TAuxFieldModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return {};
    static const char* const titles[] = {"N", "Name", "Type", "Size", "Req", "Index"};
    return section >= 0 && section < kColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

Qt::ItemFlags TAuxFieldModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const TAuxTable::Column column = kColumns[index.column()];
    const bool readOnly =
        column == TAuxTable::cN || column == TAuxTable::cIdxP || (column == TAuxTable::cReq && !reqEditable_);
    return readOnly ? flags : flags | Qt::ItemIsEditable;
}

bool TAuxFieldModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    const TAuxTable::Column column = kColumns[index.column()];
    const QString text = value.toString().trimmed();
    Value stored;
    if (column == TAuxTable::cSize) {
        bool number = false;
        const int size = text.toInt(&number);
        if (!text.isEmpty() && !number) {
            emit editFailed(QStringLiteral("'%1' is not a valid size.").arg(text));
            return false;
        }
        if (number) stored = Value::integer(size);
    } else if (column == TAuxTable::cReq) {
        stored = Value::boolean(text.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0 ||
                                text.compare(QStringLiteral("T"), Qt::CaseInsensitive) == 0);
    } else if (!text.isEmpty()) {
        stored = Value::string(text.toStdString());
    }
    const QString before = name(index.row());
    const bool done = change([&] { table_.SetCell(index.row(), column, stored); });
    if (done && name(index.row()) != before) emit rowRenamed(before, name(index.row()));
    return done;
}

bool TAuxFieldModel::insertRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row != rowCount() || count != 1) return false;
    return change([&] { table_.Append({}); });
}

bool TAuxFieldModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count < 1 || row + count > rowCount()) return false;
    for (int i = row + count - 1; i >= row; --i) emit rowDeleting(name(i));
    return change([&] {
        for (int i = row + count - 1; i >= row; --i) table_.Delete(i);
    });
}

void TAuxFieldModel::reload() {
    beginResetModel();
    rows_ = table_.Active() ? table_.Records() : std::vector<Record>{};
    endResetModel();
}

bool TAuxFieldModel::change(const std::function<void()>& work) {
    bool done = true;
    try {
        work();
    } catch (const EngineError& e) {
        done = false;
        emit editFailed(QString::fromStdString(e.formatted()));
    }
    std::vector<Record> rows = table_.Active() ? table_.Records() : std::vector<Record>{};
    if (rows.size() != rows_.size()) {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
    } else if (!rows.empty()) {
        // The same rows with new values: an editor being closed stays the view's own.
        rows_ = std::move(rows);
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
    }
    return done;
}

QString TAuxFieldModel::name(int row) const {
    if (row < 0 || row >= rowCount()) return {};
    const Value& value = rows_[static_cast<std::size_t>(row)][TAuxTable::cName];
    return value.isNull() ? QString() : QString::fromStdString(value.toText());
}
