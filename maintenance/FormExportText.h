#pragma once
// The export window: writes the records of the main window's open table, in its current order
// and filter, to a text file; the user picks the fields and their order, the separator, string
// quoting, the layout, a header line and the code page. It stays open after an export, so
// several files can be written in a row. Opened modally with exec(); interface thread only.
#include <QDialog>

class QCheckBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class TTextFormatChoice;

namespace tabulon {
class Table;
}

class TFormExportText : public QDialog {
    Q_OBJECT
public:
    // `table` is open and stays the caller's; it must outlive the window.
    explicit TFormExportText(tabulon::Table& table, QWidget* parent = nullptr);

    QLabel* Label3;
    QLineEdit* EditSep;
    QCheckBox* CBQuoted;
    QLabel* Label1;
    QPushButton* BtnMoveUp;
    QPushButton* BtnMoveDn;
    QListWidget* CheckListFields;
    TTextFormatChoice* FormatChoice;
    QProgressBar* ProgressBar;
    QPushButton* BtnOk;
    QPushButton* BtnCancel;
    // Asks for the target file: default extension "TXT", overwrite prompt.
    QFileDialog* SaveDialog;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void BtnOkClick();

    tabulon::Table& Table;
};
