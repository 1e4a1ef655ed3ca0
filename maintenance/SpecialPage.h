#pragma once
// The Special page of the main window: the maintenance commands with their edits and the three
// table pickers. The main window enables them as its table opens and closes; the commands
// themselves are connected by the table-operations module. Interface thread only.
#include <QList>
#include <QWidget>

class QLineEdit;
class QPushButton;
class QToolButton;

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
};
