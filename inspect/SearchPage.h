#pragma once
// The main window's Search page: the current record field by field, the choice of the table's
// order among its indexes, a navigator, and a move to the record nearest to typed key values.
#include <QStringList>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QToolButton;

namespace tabulon {

class Table;

// Contract:
// - TableOpened(table, tableFile) lists "None" and the table's indexes (without a primary index,
//   which "None" stands for) with their key texts,
//   selects "None", disables "Go to!" and "Clear", and fills the record grid. TableClosed()
//   empties the list and disables it.
// - ComboIndexChange(position) shows the key text and, when the chosen index differs from the
//   table's, closes the table and opens it again in that order (a fresh key buffer).
// - BtnGotoClick() keeps the previous search's key values, assigns every non-empty value cell
//   to its field (values the key does not take are dropped silently), moves to the nearest
//   record and refills the grid. BtnClearClick() empties the value cells only.
// - tableReopened() follows each reopening, recordMoved() each navigator click and search.
// - The table's EngineErrors while reopening or searching reach the caller, for the default
//   error report. Interface thread only.
class SearchPage : public QWidget {
    Q_OBJECT
public:
    // `noneText`: the list's first entry, the table's own order.
    explicit SearchPage(const QString& noneText, QWidget* parent = nullptr);

    void TableOpened(Table& table, const QString& tableFile);
    void TableClosed();
    void FillIndexCombo();
    void FillRecordGrid();
    void ComboIndexChange(int position);
    void BtnGotoClick();
    void BtnClearClick();
    const QStringList& IndexKeyTexts() const { return indexKeyTexts_; }

signals:
    // The table was closed and opened again in another order: views of it must read it anew.
    void tableReopened();
    // The navigator or a search moved the table to another record.
    void recordMoved();

public:
    QComboBox* ComboIndex;
    QWidget* DBNavigator;
    QToolButton* NavFirst;
    QToolButton* NavPrior;
    QToolButton* NavNext;
    QToolButton* NavLast;
    QToolButton* NavRefresh;
    QPushButton* BtnGoto;
    QPushButton* BtnClear;
    QLabel* LabelExp;
    QTableWidget* StringGridRecord;

private:
    void buildNavigator();
    void navigate(void (Table::*move)());
    void setSearchEnabled(bool enabled);

    QString noneText_;
    QStringList indexKeyTexts_;
    Table* table_ = nullptr;
};

}  // namespace tabulon
