#pragma once
// The main window's Filter page: a filter text typed or composed in a five-row editor, handed
// to the open table, with its two options.
#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QToolButton;

namespace tabulon {

class Table;

// Contract:
// - SetTable() names the open table (null when none) and hands it the options the boxes hold;
//   FillFilterFieldCombos() lists its fields in the five rows' field lists.
// - BtnUpdateFilterClick() writes into EditFilter, for every row with a field: the field name,
//   the operator, the value between apostrophes when the field's type name on the Fields page
//   is "CHARACTER" or "A - AlphaNumeric", and the logical operator; nothing is trimmed or
//   escaped. It does not touch the table.
// - Checking "Enable Filter" hands EditFilter's text to the table and filters; when the table
//   rejects the text the box is unchecked again, the text and editor are enabled, and the
//   table's EngineError is rethrown for the default error report. Unchecking stops filtering
//   and keeps the table's filter text.
// - The option boxes set the table's filter options at once. BtnEraseClick() stops filtering
//   and clears the text and the rows, keeping the options and the table's filter text.
// - viewChanged() follows every change of what the table shows.
// - Throws the table's EngineError (for the default error report). Interface thread only.
class FilterPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRows = 5;

    // `fieldsGrid`: the Fields page's grid, whose column 2 gives each field's type name.
    explicit FilterPage(const QTableWidget& fieldsGrid, QWidget* parent = nullptr);

    void SetTable(Table* table);
    // The table is closing: "Enable Filter" goes off, the text and editor are enabled again and
    // the page lets go of the table (whose filter closes with it).
    void TableClosed();
    void FillFilterFieldCombos();
    void BtnUpdateFilterClick();
    void CheckFilterClick();
    void CheckFiltCaseClick();
    void BtnEraseClick();

    QCheckBox* CheckFilter;
    QLineEdit* EditFilter;
    QToolButton* BtnErase;
    QCheckBox* CheckFiltCase;
    QCheckBox* CheckFiltPart;
    QWidget* PanelFilter;
    QWidget* PanelFilterEditor;
    QPushButton* BtnUpdateFilter;
    QLabel* LabelAnd;
    std::array<QComboBox*, kRows> ComboBoxFilterField;
    std::array<QComboBox*, kRows> ComboBoxOp;
    std::array<QLineEdit*, kRows> EditFieldValue;
    std::array<QComboBox*, kRows> ComboBoxLOp;

signals:
    // The table's view changed: filtering started or stopped, or its options changed.
    void viewChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildFilterPanel();
    void buildEditor();
    void setEditing(bool editing);
    void stopFiltering();
    QString quoteFor(int fieldIndex) const;

    const QTableWidget& fieldsGrid_;
    Table* table_ = nullptr;
};

}  // namespace tabulon
