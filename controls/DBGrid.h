#pragma once
// A data grid: a table view over a model of records with the keys of a data
// grid. While editable, Insert appends a record and makes it current, and Ctrl+Delete asks
// "Delete record?" and deletes the current record, whether a cell editor is open or not. A cell
// editor is always finished (its text handed to the model, or dropped) before rows change, so
// none is left behind by an insert, a delete or a reset. The current cell stays where it was
// when the model is read anew. Interface thread only.
#include <QTableView>

class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    // Read-only (no editing, no record keys) or editable.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return readOnly_; }
    // Hands an open cell editor's text to the model and closes the editor.
    void postEditor();
    // Closes an open cell editor without handing its text on.
    void dropEditor();
    // Sizes every column to its title, the rows in view and the field's declared width
    // (GridRole::kFieldWidth), up to the widest a column may be.
    void fitColumns();

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Insert or Ctrl+Delete; true when the key was one of them and the grid is editable.
    bool recordKey(const QKeyEvent* key);
    void appendRecord();
    void deleteCurrentRecord();
    QWidget* openEditor() const;
    void rememberCurrent();
    void restoreCurrent();

    bool readOnly_ = true;
    QMetaObject::Connection aboutToReset_;
    QMetaObject::Connection reset_;
    int keptRow_ = -1;
    int keptColumn_ = 0;
};
