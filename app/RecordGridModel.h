#pragma once
// The data grid's model over one open dataset table: one row per record of the table's view,
// one column per field. The row count is known up front and only the rows a view asks for are
// read: the n-th record is reached directly by its slot when the view is the plain stored
// order, else by walking from the nearest of the first, the last and the current record.
// Editing follows the grid: a row's changes collect in the table's edit buffer and are posted
// when the grid's current row leaves it; an appended row left untouched is dropped instead.
// Whether the row is edited or appended, its values and whether any was changed are the edit
// buffer's; the model only knows which row shows it.
// Failures of edits and posts are reported through editFailed(), never thrown at the view.
// Interface thread only; the table must outlive the model and stay open while it exists.
#include <QAbstractTableModel>
#include <map>

#include "GridCell.h"
#include "dataset/Table.h"

class TRecordGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Roles beyond the display: a cell's whole value (a memo's text as a string, a graphic's or
    // blob's bytes as a byte array; settable for memos while editable) and its field type.
    static constexpr int kValueRole = GridRole::kValue;
    static constexpr int kFieldTypeRole = GridRole::kFieldType;
    // Header role: the characters a field's declared size gives its values (0: none declared).
    static constexpr int kFieldWidthRole = GridRole::kFieldWidth;

    explicit TRecordGridModel(tabulon::Table& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // Appends one record at the end (only `row` == rowCount() with `count` 1 is accepted).
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    // Deletes records; a row being edited among them loses its unposted changes first.
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

    // Read-only (false) or editable (true); leaving editing posts the row being edited.
    void setEditable(bool editable);
    bool editable() const { return editable_; }
    // The grid's current row, marked by the record indicator; leaving an edited row posts it.
    void setCurrentRow(int row);
    int currentRow() const { return currentRow_; }
    // The focus left the grid: an appended row nobody typed into is dropped.
    void leaveGrid();
    // Whether a row holds changes not yet posted to the table (or its cache).
    bool hasUnpostedRow() const;
    // Posts the row being edited; throws the table's error and keeps the row in editing.
    void postRow();
    // Reads the row count again and forgets every row read, after the table changed under it.
    void reload();
    // Someone else moved the table's cursor to the record shown at `row` (the navigator, a key
    // search): it becomes the current row.
    void tableMovedTo(int row);

signals:
    // An edit or a post failed; `message` says what and why ("Kind: message.").
    void editFailed(const QString& message);

private:
    // The value of a cell, or null when its row cannot be read now.
    const tabulon::Value* cellValue(const QModelIndex& index) const;
    const tabulon::EditBuffer& buffer() const { return table_.editBuffer(); }
    bool setText(const QModelIndex& index, const QString& text);
    // Posts the row being edited, reporting a failure instead of throwing; false on failure.
    bool settleRow();
    // Whether the row being edited was appended and nothing was typed into it yet.
    bool untouchedInsert() const;
    // Drops the unposted changes of the row being edited; an appended row goes altogether.
    void abandonRow();
    // Puts the table's cursor on `row`; false when the table is editing another row.
    bool moveTo(int row) const;
    void walkTo(int row) const;
    // Puts the table's cursor back on the current row after reading row `readRow`, so that the
    // table's other users find it on the record the grid marks, not on the row painted last.
    void restCursor(int readRow) const;
    // Remembers the current row (where the cursor is now) as where it rests; -1 forgets it.
    void restHere(int row);
    // Rows moved or the table changed: no remembered position holds any longer.
    void forgetPositions();
    const tabulon::Record* rowValues(int row) const;
    // Forgets the rows read and counts the rows again, without telling the views.
    int recount();
    bool rowsAreSlots() const;
    // Tells the views the table changed: rows added or gone at the end, every cell changed.
    void afterTableChange();
    void rowIndicatorChanged(int row);

    tabulon::Table& table_;
    int rowCount_ = 0;
    bool directRows_ = false;       // the view is the stored order: row n is slot n
    mutable int position_ = -1;     // the row the table's cursor is on; -1 when unknown
    tabulon::Bookmark resting_;     // the current row's record, where the cursor returns after reads
    mutable int lastReadRow_ = -1;  // where the last read left off, to walk on from there
    mutable tabulon::Bookmark lastRead_;
    mutable std::map<int, tabulon::Record> rows_;  // rows read, bounded
    bool editable_ = false;
    int currentRow_ = -1;
    int editRow_ = -1;  // the row showing the table's edit buffer
};
