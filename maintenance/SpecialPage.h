#pragma once
// The Special page of the main window: the maintenance commands with their edits and the three
// table pickers. The main window enables them as its table opens and closes. Each command asks
// where it must, closes and reopens the main window's table around the table-operations
// module's work, shows a progress window for the long ones and reports the outcome. Errors the
// module lets through (a table that cannot be opened) go on to the default error report, with
// the table left closed. Interface thread only.
#include <QList>
#include <QWidget>
#include <functional>

class QLineEdit;
class QPushButton;
class QToolButton;
class TDataMod;
class TSpecialPageHost;

class TSpecialPage : public QWidget {
    Q_OBJECT
public:
    explicit TSpecialPage(QWidget* parent = nullptr);

    QPushButton* BtnSpecRen;
    QPushButton* BtnSpecCrt;
    QPushButton* BtnSpecCp;
    QPushButton* BtnSpecCpEm;
    QPushButton* BtnSpecUpd;
    QPushButton* BtnSpecDel;
    QPushButton* BtnSpecImportText;
    QPushButton* BtnSpecExportText;
    QPushButton* BtnSpecEmpty;
    QPushButton* BtnSpecReorg;
    QPushButton* BtnSpecPackTab;
    QPushButton* BtnSpecReindex;
    QPushButton* BtnBatMove;
    QPushButton* BtnRestruc;
    QPushButton* BtnVerifyR;
    QLineEdit* EditSpecNam;
    QLineEdit* EditSpecCreate;
    QLineEdit* EditSpecCopy;
    QLineEdit* EditSpecCpEm;
    QLineEdit* EditSpecUpd;
    QToolButton* BtnSpecOpenCrt;
    QToolButton* BtnSpecOpenCp;
    QToolButton* BtnSpecOpenCpEm;

    // The commands and pickers that need an open table.
    QList<QWidget*> tableBoundControls() const;
    // The commands that work on the selected table file, open or not.
    QList<QWidget*> fileBoundControls() const;

    // Connects the commands to the window holding the page and to the module doing the work;
    // both outlive the page.
    void ConnectCommands(TSpecialPageHost& host, TDataMod& dataMod);

    void BtnSpecCrtClick();
    void BtnSpecCpClick();
    void BtnSpecCpEmClick();
    void BtnSpecRenClick();
    void BtnSpecEmptyClick();
    void BtnSpecReorgClick();
    void BtnSpecPackTabClick();
    void BtnSpecReindexClick();
    void BtnSpecUpdClick();
    void BtnSpecDelClick();
    // The text windows work on the open table: import asks for the file first; after an export
    // the file list shows the new file.
    void BtnSpecImportTextClick();
    void BtnSpecExportTextClick();
    // The table is closed while the batch-move window is shown, and opened again if it was.
    void BtnBatMoveClick();
    void BtnRestrucClick();
    void BtnVerifyRClick();
    // The three table pickers: the chosen table's path goes into the edit beside the sender.
    void BtnSpecOpenClick();

private:
    // Makes a table at the edit's path from the selected one, asking before one is replaced.
    void MakeTable(const QLineEdit* target, int successText,
                   const std::function<bool(const QString&, const QString&, QString&)>& make);
    // Leaves edit mode, asks "Are You Sure?", closes the table, runs `work` (under a progress
    // window titled `progress` unless empty), reports and reopens the table: always when
    // `reopen` says so, else as it was.
    void RunOnClosedTable(int successText, const QString& progress, bool reopen,
                          const std::function<bool(QString&)>& work);

    TSpecialPageHost* host_ = nullptr;
    TDataMod* dataMod_ = nullptr;
};
