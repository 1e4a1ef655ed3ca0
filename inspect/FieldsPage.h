#pragma once
// The main window's Fields page: the open table's fields with copy, save and print.
#include <QStringList>
#include <QWidget>

#include "TDBFReader.h"

class QPrinter;
class QTableWidget;
class QToolButton;

namespace tabulon {

class Table;

// Contract:
// - Fill(table, tableFile) lists the fields of an open dataset table: number, name, type name,
//   size text, whether the field is in the table's current index ("True"/"False") and its
//   display text in the current record. A file ending in ".DBF" (any case) takes type names
//   and size texts from its own header, matched by position, where the header has them.
// - Clear() goes back to the empty grid (title row and one empty row).
// - Copy, Save and Print act on the grid as it stands; Save and Print throw EngineError
//   (EFileError) naming the file when writing or printing fails, for the default error report.
// - Interface thread only.
class FieldsPage : public QWidget {
    Q_OBJECT
public:
    // `titles`: the five column titles ("Field Name", "Data Type", "Size", "Index", "Value").
    FieldsPage(const QStringList& titles, QWidget* parent = nullptr);

    void Fill(Table& table, const QString& tableFile);
    void Clear();
    void SetButtonsEnabled(bool enabled);

    // The grid's cells, row by row, title row first.
    QList<QStringList> GridRows() const;
    // The block that Copy and Save write.
    QStringList ListBlock() const;

    void BtnCopyClick();
    void BtnSaveClick();
    void BtnPrintClick();
    void SaveTo(const QString& fileName) const;
    void PrintTo(QPrinter& printer) const;

    QTableWidget* StringGridFields;
    QToolButton* BtnCopy;
    QToolButton* BtnSave;
    QToolButton* BtnPrint;

private:
    void setRowCount(int fieldCount);
    void setCell(int row, int column, const QString& text);

    TDBFReader DBFReader;
    QString tableFile_;
};

}  // namespace tabulon
