#pragma once
// The verify-and-rebuild window: checks a table for damage and rebuilds it with the
// table-utility library, showing the table's figures and the library's progress. Created at
// start-up, it lives until the program ends and is shown modally for the main window's table.
// Interface thread only.
#include <QDialog>
#include <memory>

#include "MessageTable.h"
#include "TableUtil.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;

class TFormRepair : public QDialog {
    Q_OBJECT
public:
    explicit TFormRepair(QWidget* parent = nullptr, TTableUtilCalls calls = {});
    ~TFormRepair() override;

    QString DatabasePath;
    QString TableFile;
    TStringHolder MessageHolder;

    QLabel* LabelTabName;
    QToolButton* BtnResOpen;
    QLabel* FieldsLB;
    QLabel* RecSizeLB;
    QLabel* IndexLB;
    QLabel* ValidLB;
    QLabel* RefLB;
    QLabel* RestructLB;
    QLabel* AuxPassLB;
    QLabel* CodePageLB;
    QLabel* BlockSizeLB;
    QLabel* TabLvlLB;
    QPushButton* VerifyBtn;
    QPushButton* RebuildBtn;
    QProgressBar* PBHeader;
    QProgressBar* PBIndexes;
    QProgressBar* PBData;
    QProgressBar* PBRebuild;
    QLabel* MessageLB;

    void ResetProgress();
    void ClearTableInfo();
    void ShowTableInfo();

    void BtnResOpenClick();
    void VerifyBtnClick();
    void RebuildBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<TTableUtil> Util;
};

// The program's one verify-and-rebuild window, which the library's progress reports reach;
// null while there is none.
extern TFormRepair* FormRepair;
