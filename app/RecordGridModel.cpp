#include "RecordGridModel.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "ErrorReport.h"
#include "GridCell.h"
#include "core/EngineError.h"
#include "dataset/ValueText.h"

namespace {

// Rows kept from earlier reads: a few screens of a tall grid, so scrolling back reads nothing.
constexpr std::size_t kRowsKept = 4096;

const QString kBrowseIndicator = QStringLiteral("\u25B6");
const QString kEditIndicator = QStringLiteral("I");
const QString kInsertIndicator = QStringLiteral("*");

}  // namespace

TRecordGridModel::TRecordGridModel(tabulon::Table& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {
    reload();
}

int TRecordGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rowCount_; }

int TRecordGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(table_.fieldCount());
}

QVariant TRecordGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const tabulon::FieldDef& field = table_.fieldDefs().at(static_cast<std::size_t>(index.column()));
    if (role == kFieldTypeRole) {
        return static_cast<int>(field.type);
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != kValueRole) {
        return {};
    }
    try {
        const tabulon::Value* value = cellValue(index);
        if (value == nullptr) {
            return {};
        }
        return fieldCellData(*value, field, table_.regionalSettings(), role);
    } catch (const std::exception&) {
        // A record that cannot be read shows empty; opening already reported the table's damage.
        return {};
    }
}

const tabulon::Value* TRecordGridModel::cellValue(const QModelIndex& index) const {
    const auto column = static_cast<std::size_t>(index.column());
    if (index.row() == editRow_) {
        return &buffer().values().at(column);
    }
    const tabulon::Record* values = rowValues(index.row());
    return values == nullptr ? nullptr : &values->at(column);
}

QVariant TRecordGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == kFieldWidthRole)) {
        if (section < 0 || section >= columnCount()) {
            return {};
        }
        const tabulon::FieldDef& field = table_.fieldDefs().at(static_cast<std::size_t>(section));
        return role == kFieldWidthRole ? QVariant(declaredFieldWidth(field))
                                       : QVariant(QString::fromStdString(field.name));
    }
    if (role != Qt::DisplayRole || orientation != Qt::Vertical) {
        return {};
    }
    if (section < 0 || section >= rowCount_) {
        return {};
    }
    if (section == editRow_) {
        return buffer().inserting() ? kInsertIndicator : kEditIndicator;
    }
    return section == currentRow_ ? kBrowseIndicator : QString();
}

Qt::ItemFlags TRecordGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || !checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const tabulon::FieldType type = table_.fieldDefs().at(static_cast<std::size_t>(index.column())).type;
    if (editable_ && !tabulon::isBlobType(type)) {
        result |= Qt::ItemIsEditable;
    }
    return result;
}

bool TRecordGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!editable_ || !index.isValid() || !checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return false;
    }
    const tabulon::FieldType type = table_.fieldDefs().at(static_cast<std::size_t>(index.column())).type;
    const bool allowed =
        role == Qt::EditRole ? (flags(index) & Qt::ItemIsEditable) != 0 : role == kValueRole && isMemoField(type);
    return allowed && setText(index, value.toString());
}

bool TRecordGridModel::setText(const QModelIndex& index, const QString& text) {
    const int row = index.row();
    const tabulon::FieldType type = table_.fieldDefs().at(static_cast<std::size_t>(index.column())).type;
    if (text == data(index, isMemoField(type) ? kValueRole : Qt::EditRole).toString()) {
        // An editor closed without a change: the record is not edited.
        return true;
    }
    try {
        if (editRow_ != row) {
            if (editRow_ >= 0 && !settleRow()) {
                return false;
            }
            if (!moveTo(row)) {
                return false;
            }
            table_.edit();
            editRow_ = row;
        }
        table_.field(static_cast<std::size_t>(index.column())).setAsText(text.toStdString());
    } catch (const std::exception& error) {
        emit editFailed(ErrorText(error));
        return false;
    }
    emit dataChanged(index, index);
    rowIndicatorChanged(row);
    return true;
}

bool TRecordGridModel::insertRows(int row, int count, const QModelIndex& parent) {
    if (!editable_ || parent.isValid() || count != 1 || row != rowCount_) {
        return false;
    }
    if (editRow_ >= 0 && !settleRow()) {
        return false;
    }
    // The row may have moved if settling dropped an untouched insert.
    row = rowCount_;
    try {
        table_.append();
    } catch (const std::exception& error) {
        emit editFailed(ErrorText(error));
        return false;
    }
    beginInsertRows(QModelIndex(), row, row);
    ++rowCount_;
    editRow_ = row;
    forgetPositions();
    endInsertRows();
    return true;
}

bool TRecordGridModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (!editable_ || parent.isValid() || row < 0 || count < 1 || row + count > rowCount_) {
        return false;
    }
    if (editRow_ >= row && editRow_ < row + count) {
        // Changes to a record about to go are not posted first; an appended row just goes.
        const bool appended = buffer().inserting();
        abandonRow();
        if (appended && --count == 0) {
            return true;
        }
    } else if (editRow_ >= 0 && !settleRow()) {
        return false;
    }
    for (int done = 0; done < count; ++done) {
        QString failure;
        beginRemoveRows(QModelIndex(), row, row);
        try {
            if (!moveTo(row)) {
                failure = tr("Record %1 could not be reached").arg(row + 1);
            } else {
                table_.remove();
            }
        } catch (const std::exception& error) {
            failure = ErrorText(error);
        }
        --rowCount_;
        rows_.clear();
        forgetPositions();
        directRows_ = rowsAreSlots();
        endRemoveRows();
        if (!failure.isEmpty()) {
            // Show the table as it is: the row that could not go comes back.
            afterTableChange();
            emit editFailed(failure);
            return false;
        }
    }
    return true;
}

void TRecordGridModel::setEditable(bool editable) {
    if (!editable && editRow_ >= 0 && !settleRow()) {
        // Editing ends all the same; the change that could not be posted is dropped.
        table_.cancel();
        editRow_ = -1;
        afterTableChange();
    }
    editable_ = editable;
}

void TRecordGridModel::setCurrentRow(int row) {
    if (row == currentRow_) {
        return;
    }
    const int old = currentRow_;
    currentRow_ = row;
    if (editRow_ >= 0 && row != editRow_) {
        settleRow();
    }
    // The cursor rests on the new current row when it can go there; else nowhere remembered.
    restHere(editRow_ < 0 && row >= 0 && row < rowCount_ && moveTo(row) ? row : -1);
    rowIndicatorChanged(old);
    rowIndicatorChanged(currentRow_);
}

void TRecordGridModel::leaveGrid() {
    if (untouchedInsert()) {
        abandonRow();
    }
}

bool TRecordGridModel::hasUnpostedRow() const { return editRow_ >= 0 && buffer().anyChanged(); }

void TRecordGridModel::postRow() {
    if (editRow_ < 0) {
        return;
    }
    if (untouchedInsert()) {
        abandonRow();
        return;
    }
    table_.post();
    const int row = editRow_;
    editRow_ = -1;
    afterTableChange();
    rowIndicatorChanged(row);
}

void TRecordGridModel::reload() {
    beginResetModel();
    editRow_ = -1;
    currentRow_ = -1;
    rows_.clear();
    forgetPositions();
    rowCount_ = 0;
    directRows_ = false;
    if (table_.active()) {
        if (buffer().active()) {
            table_.cancel();
        }
        rowCount_ = recount();
    }
    endResetModel();
}

bool TRecordGridModel::settleRow() {
    try {
        postRow();
        return true;
    } catch (const std::exception& error) {
        emit editFailed(ErrorText(error));
        return false;
    }
}

bool TRecordGridModel::untouchedInsert() const {
    return editRow_ >= 0 && buffer().inserting() && !buffer().anyChanged();
}

void TRecordGridModel::abandonRow() {
    if (editRow_ < 0) {
        return;
    }
    const int row = editRow_;
    const bool appended = buffer().inserting();
    table_.cancel();
    editRow_ = -1;
    if (appended) {
        beginRemoveRows(QModelIndex(), row, row);
        --rowCount_;
        endRemoveRows();
    } else {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        rowIndicatorChanged(row);
    }
}

bool TRecordGridModel::moveTo(int row) const {
    if (editRow_ >= 0) {
        return row == editRow_;
    }
    if (row == position_) {
        return true;
    }
    if (directRows_) {
        tabulon::Bookmark bookmark;
        bookmark.valid = true;
        bookmark.id = table_.storage().recordIdAt(static_cast<std::uint64_t>(row));
        table_.gotoBookmark(bookmark);
        position_ = row;
        return true;
    }
    walkTo(row);
    return position_ == row;
}

// Walks from whichever known position is nearest: the first record, the last, the current or
// the last one read.
void TRecordGridModel::walkTo(int row) const {
    if (lastReadRow_ >= 0 && std::abs(row - lastReadRow_) < std::abs(row - position_)) {
        try {
            table_.gotoBookmark(lastRead_);
            position_ = lastReadRow_;
        } catch (const tabulon::EngineError&) {
            lastReadRow_ = -1;
        }
    }
    const int fromEnd = rowCount_ - 1 - row;
    const int fromHere = position_ >= 0 ? std::abs(row - position_) : INT_MAX;
    if (fromHere > std::min(row, fromEnd)) {
        if (row <= fromEnd) {
            table_.first();
            position_ = table_.isEmpty() ? -1 : 0;
        } else {
            table_.last();
            position_ = table_.isEmpty() ? -1 : rowCount_ - 1;
        }
    }
    while (position_ >= 0 && position_ < row) {
        table_.next();
        if (table_.eof()) {
            position_ = -1;  // fewer records than counted: another process deleted some
            return;
        }
        ++position_;
    }
    while (position_ > row) {
        table_.prior();
        if (table_.bof()) {
            position_ = -1;
            return;
        }
        --position_;
    }
}

const tabulon::Record* TRecordGridModel::rowValues(int row) const {
    if (const auto found = rows_.find(row); found != rows_.end()) {
        return &found->second;
    }
    if (!moveTo(row)) {
        return nullptr;
    }
    if (rows_.size() >= kRowsKept) {
        rows_.clear();
    }
    const tabulon::Record* values = &rows_.emplace(row, table_.currentValues()).first->second;
    restCursor(row);
    return values;
}

void TRecordGridModel::restCursor(int readRow) const {
    if (editRow_ >= 0 || !resting_.valid || readRow == currentRow_) {
        return;
    }
    lastReadRow_ = readRow;
    lastRead_ = table_.bookmark();
    try {
        table_.gotoBookmark(resting_);
        position_ = currentRow_;
    } catch (const tabulon::EngineError&) {
        position_ = -1;  // the record went away under the grid; the next read starts afresh
    }
}

void TRecordGridModel::restHere(int row) {
    resting_ = row >= 0 ? table_.bookmark() : tabulon::Bookmark{};
    if (row >= 0) position_ = row;
}

void TRecordGridModel::forgetPositions() {
    position_ = -1;
    resting_ = {};
    lastReadRow_ = -1;
}

void TRecordGridModel::tableMovedTo(int row) {
    if (editRow_ >= 0 || row < 0 || row >= rowCount_) {
        return;
    }
    restHere(row);
    const int old = currentRow_;
    currentRow_ = row;
    rowIndicatorChanged(old);
    rowIndicatorChanged(row);
}

int TRecordGridModel::recount() {
    rows_.clear();
    forgetPositions();
    directRows_ = rowsAreSlots();
    return static_cast<int>(std::min<std::uint64_t>(table_.recordCount(), INT_MAX));
}

// Row n is slot n when the view is the stored order (or a primary order the slots follow)
// with nothing hidden, added or deleted.
bool TRecordGridModel::rowsAreSlots() const {
    if (!table_.indexName().empty() || table_.filtered() || table_.updatesPending()) {
        return false;
    }
    const std::vector<tabulon::IndexDef> indexes = table_.indexDefs();
    const bool primaryOrder = std::any_of(indexes.begin(), indexes.end(), [](const tabulon::IndexDef& index) {
        return (index.options & tabulon::ixPrimary) != 0;
    });
    return (!primaryOrder || table_.storage().slotsFollowPrimaryOrder()) &&
           table_.storage().slotCount() == table_.storage().recordCount();
}

void TRecordGridModel::afterTableChange() {
    const int count = recount();
    if (count < rowCount_) {
        beginRemoveRows(QModelIndex(), count, rowCount_ - 1);
        rowCount_ = count;
        endRemoveRows();
    } else if (count > rowCount_) {
        beginInsertRows(QModelIndex(), rowCount_, count - 1);
        rowCount_ = count;
        endInsertRows();
    }
    if (rowCount_ > 0 && columnCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount_ - 1, columnCount() - 1));
    }
}

void TRecordGridModel::rowIndicatorChanged(int row) {
    if (row >= 0 && row < rowCount_) {
        emit headerDataChanged(Qt::Vertical, row, row);
    }
}
