#pragma once
// The about box: the program's title and file version and a short description of the computer
// (organisation, owner, system, processor, memory). Shown modally from the main window's logo.
// Interface thread only; no throws.
#include <QDialog>

#include "SysInfo.h"

class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr, const TSysInfoSources& sources = TSysInfoSources::system());

    QLabel* Label16;
    QLabel* LabelFileVers;
    QLabel* LabelSociety;
    QLabel* LabelOwner;
    QLabel* LabelSystem;
    QLabel* LabelCPU;
    QLabel* LabelRAM;
    QLabel* LabelAvail;
    QLabel* LabelSwap;
    QPushButton* BtnOk;
    TSysInfo SysInfo;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
};
