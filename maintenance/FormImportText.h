#pragma once
// The import window: appends the records of a delimited or CSV text file to the main window's
// open table. The user splits the file's first line with a separator ("Parse First Record"),
// ticks the text columns to use and the table fields to fill, orders the fields, and starts
// the import. A refused line stops it, naming the line and the field; the user then keeps the
// records appended before it or rolls them back. Opened modally with exec(); interface thread
// only.
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class TTextFormatChoice;

namespace tabulon {
class Table;
struct TextImportOptions;
}  // namespace tabulon

class TFormImportText : public QDialog {
    Q_OBJECT
public:
    // `table` is open and stays the caller's; it must outlive the window. The records are
    // written to its file as they are read, and the table re-reads them afterwards.
    TFormImportText(const QString& fileName, tabulon::Table& table, QWidget* parent = nullptr);

    QLabel* Label1;
    QListWidget* CheckListFields;
    QPushButton* BtnMoveUp;
    QPushButton* BtnMoveDn;
    QLabel* Label2;
    QListWidget* CheckListTextF;
    QPushButton* BtnSel;
    QPushButton* BtnDesel;
    QLabel* Label3;
    QLineEdit* EditSep;
    QCheckBox* CBQuoted;
    QPushButton* BtnParse;
    TTextFormatChoice* FormatChoice;
    QProgressBar* ProgressBar;
    QPushButton* BtnOk;
    QPushButton* BtnCancel;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void BtnParseClick();
    void BtnOkClick();
    tabulon::TextImportOptions importOptions() const;

    QString FileName;
    tabulon::Table& Table;
};
