#pragma once
// The batch-move window: moves the records of a source table into a destination table in one of
// five modes (append, update, append-or-update, copy, delete), each side chosen in a folder
// combo and file list, with an optional index per side, error tables, record and commit counts.
// It is created at start-up and lives until the program ends, keeping its settings between
// showings. Interface thread only; engine errors of a move are reported, not thrown.
#include <QDialog>
#include <QStringList>
#include <memory>

#include "FileViewTypes.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QToolButton;
class QFileDialog;
class TDirectoryComboLite;
class TFileListViewLite;

namespace tabulon {
class Connection;
class Session;
class Table;
struct BatchMoveOptions;
}  // namespace tabulon

class TfrmBatchMove : public QDialog {
    Q_OBJECT
public:
    // The window's two connections, "dbSource" and "dbDestination", belong to `session` while
    // the window lives.
    explicit TfrmBatchMove(QWidget* parent = nullptr, tabulon::Session* session = nullptr);
    ~TfrmBatchMove() override;

    // The Special page's "Batch Move...": PrepareForFolder, then the window shown modally until
    // it closes.
    void ShowForFolder(const QString& folder, const QString& tableFileName, TViewIconStyle viewStyle);
    // Both browsers show `folder` (reading switched on, in `viewStyle`) and the table file
    // `tableFileName` of that folder is selected as the source.
    void PrepareForFolder(const QString& folder, const QString& tableFileName, TViewIconStyle viewStyle);

    QStringList MessageHolder;

    QLabel* Label1;
    TDirectoryComboLite* DirectoryComboSour;
    TFileListViewLite* FileListViewTabSour;
    QLabel* Label9;
    QComboBox* cbSourceIndex;
    QLabel* Label2;
    TDirectoryComboLite* DirectoryComboDest;
    TFileListViewLite* FileListViewTabDest;
    QLabel* Label10;
    QComboBox* cbDestIndex;
    QLabel* Label7;
    QComboBox* cbMode;
    QLabel* LabelHelp;
    QPushButton* BtnMove;
    QPushButton* Button1;
    QStatusBar* StatusBar;
    QTabWidget* PageControl1;

    QCheckBox* ckAbortOnKeyViol;
    QLabel* txtKeyViolTableName;
    QLineEdit* edKeyViolTableName;
    QToolButton* sbKeyViolTbl;
    QCheckBox* ckAbortOnProblem;
    QLabel* txtProblemTableName;
    QLineEdit* edProblemTableName;
    QToolButton* sbProbTbl;

    QSpinBox* edRecordCount;
    QSpinBox* edCommitCount;
    QLineEdit* edChangedTableName;
    QToolButton* sbChangeTbl;
    QCheckBox* ckTransliterate;

    QFileDialog* OpenDialog;

    void cbModeChange();
    void ckAbortOnKeyViolClick();
    void ckAbortOnProblemClick();
    // The three error-table pickers; `sender` tells which edit receives the path.
    void sbKeyViolTblClick(QToolButton* sender);
    void DirectoryComboSourDirectoryChange(const QString& newKey);
    void DirectoryComboDestDirectoryChange(const QString& newKey);
    void FileListViewTabSourChange();
    void FileListViewTabDestChange();
    void BtnMoveClick();
    void Button1Click();

protected:
    bool event(QEvent* event) override;
    void done(int result) override;

private:
    QWidget* buildSide(const QString& caption, TDirectoryComboLite*& combo, TFileListViewLite*& list, QLabel*& label,
                       QLabel*& indexLabel, QComboBox*& indexList);
    QWidget* buildErrorPage();
    QWidget* buildRecordPage();
    void abortBoxClick(QCheckBox* box, QLabel* label, QLineEdit* edit, QToolButton* picker);
    void fillIndexList(tabulon::Table& table, TFileListViewLite* list, QComboBox* indexList);
    // A refusal: "<word> table name is required." in the question window.
    void refuse(const QString& word);
    void runMove(const QString& sourceName, const QString& destinationName);
    void moveTable(const QString& sourceName, const QString& destinationName, const tabulon::BatchMoveOptions& options);

    tabulon::Session& session_;
    tabulon::Connection& dbSource;
    tabulon::Connection& dbDest;
    std::unique_ptr<tabulon::Table> tblSource;
    std::unique_ptr<tabulon::Table> tblDest;
};
