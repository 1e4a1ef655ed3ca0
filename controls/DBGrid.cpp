#include "DBGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>

#include "FormMessage.h"
#include "GridCell.h"

namespace {

constexpr int kWidestColumn = 320;

// A data grid edits when a key is typed, on F2, or on a click into the current cell; moving
// to another cell alone opens no editor.
constexpr QAbstractItemView::EditTriggers kEditTriggers =
    QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed;

bool isInsertKey(const QKeyEvent* key) { return key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier; }

bool isDeleteRecordKey(const QKeyEvent* key) {
    return key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier;
}

}  // namespace

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent) {
    setEditTriggers(NoEditTriggers);
    setTabKeyNavigation(true);
    verticalHeader()->setVisible(true);
    // One line a record, as many records as fit; the indicator column stays even when empty.
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(18);
    // Column widths come from the rows in view only, so a big table opens as fast as a small one.
    horizontalHeader()->setResizeContentsPrecision(0);
    horizontalHeader()->setMaximumSectionSize(kWidestColumn);
    horizontalHeader()->setSectionsMovable(false);
    setShowGrid(true);
}

void TDBGrid::setModel(QAbstractItemModel* model) {
    disconnect(aboutToReset_);
    disconnect(reset_);
    QTableView::setModel(model);
    if (model != nullptr) {
        aboutToReset_ = connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &TDBGrid::rememberCurrent);
        reset_ = connect(model, &QAbstractItemModel::modelReset, this, &TDBGrid::restoreCurrent);
    }
}

void TDBGrid::setReadOnly(bool readOnly) {
    if (readOnly) {
        dropEditor();
    }
    readOnly_ = readOnly;
    setEditTriggers(readOnly ? NoEditTriggers : kEditTriggers);
}

QWidget* TDBGrid::openEditor() const { return state() == EditingState ? indexWidget(currentIndex()) : nullptr; }

void TDBGrid::postEditor() {
    if (QWidget* editor = openEditor()) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TDBGrid::dropEditor() {
    if (QWidget* editor = openEditor()) {
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TDBGrid::fitColumns() {
    resizeColumnsToContents();
    if (model() == nullptr) {
        return;
    }
    // Values further down may be as wide as the field allows; a digit is as wide as most.
    const int perCharacter = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 4;
    for (int column = 0; column < model()->columnCount(); ++column) {
        const int declared = model()->headerData(column, Qt::Horizontal, GridRole::kFieldWidth).toInt();
        const int wanted = std::min(declared * perCharacter + padding, kWidestColumn);
        if (wanted > columnWidth(column)) {
            setColumnWidth(column, wanted);
        }
    }
}

bool TDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (!QTableView::edit(index, trigger, event)) {
        return false;
    }
    // The editor sees keys first; the record keys must reach the grid all the same.
    if (QWidget* editor = indexWidget(index)) {
        editor->installEventFilter(this);
    }
    return true;
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    if (recordKey(event)) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

bool TDBGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == openEditor() && recordKey(static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

bool TDBGrid::recordKey(const QKeyEvent* key) {
    if (readOnly_ || model() == nullptr) {
        return false;
    }
    if (isInsertKey(key)) {
        appendRecord();
        return true;
    }
    if (isDeleteRecordKey(key)) {
        deleteCurrentRecord();
        return true;
    }
    return false;
}

void TDBGrid::appendRecord() {
    postEditor();
    const int row = model()->rowCount();
    if (model()->insertRow(row)) {
        setCurrentIndex(model()->index(row, std::max(currentIndex().column(), 0)));
    }
}

void TDBGrid::deleteCurrentRecord() {
    // What was typed stays in the record should the user keep it.
    postEditor();
    const int row = currentIndex().row();
    if (row < 0) {
        return;
    }
    if (AskDialog(QStringLiteral("Delete record?"), TMsgDlgType::mtConfirmation, mbYesNo) == mrYes) {
        model()->removeRow(row);
    }
}

void TDBGrid::rememberCurrent() {
    keptRow_ = currentIndex().row();
    keptColumn_ = std::max(currentIndex().column(), 0);
}

void TDBGrid::restoreCurrent() {
    const int rows = model()->rowCount();
    if (keptRow_ < 0 || rows == 0) {
        return;
    }
    const int column = std::min(keptColumn_, model()->columnCount() - 1);
    setCurrentIndex(model()->index(std::min(keptRow_, rows - 1), std::max(column, 0)));
}
