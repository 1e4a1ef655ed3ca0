#include "AboutBox.h"

#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "CentreOnScreen.h"
#include "Logo.h"

namespace {

QLabel* centred(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLabel* value(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setWordWrap(true);
    return label;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent, const TSysInfoSources& sources) : QDialog(parent), SysInfo(sources) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Tabulon"));

    auto* bevel1 = new QFrame(this);
    bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    auto* upper = new QVBoxLayout(bevel1);
    auto* heading = new QHBoxLayout;
    Label16 = centred(QStringLiteral("Tabulon 1.0"), bevel1);
    Label16->setObjectName(QStringLiteral("Label16"));
    Label16->setFont(TabulonTitleFont());
    for (QLabel* image : {new QLabel(bevel1), new QLabel(bevel1)}) {
        image->setPixmap(TabulonLogo(40));
        heading->addWidget(image);
        if (heading->count() == 1) {
            heading->addWidget(Label16, 1);
        }
    }
    upper->addLayout(heading);
    LabelFileVers = centred(QString(), bevel1);
    LabelFileVers->setObjectName(QStringLiteral("LabelFileVers"));
    upper->addWidget(LabelFileVers);
    for (const char* line :
         {"Browse and maintain local tables:", "Paradox (.DB), dBase (.DBF)", "and delimited text (.TXT).",
          "Its own table engine,", "crash-safe writes,", "made for Linux."}) {
        upper->addWidget(centred(QString::fromLatin1(line), bevel1));
    }
    upper->setSpacing(1);

    auto* bevel2 = new QFrame(this);
    bevel2->setFrameStyle(QFrame::Box | QFrame::Sunken);
    auto* panelInfo = new QFormLayout(bevel2);
    panelInfo->setLabelAlignment(Qt::AlignRight);
    panelInfo->setVerticalSpacing(1);
    LabelSociety = value("LabelSociety", bevel2);
    LabelOwner = value("LabelOwner", bevel2);
    LabelSystem = value("LabelSystem", bevel2);
    LabelCPU = value("LabelCPU", bevel2);
    LabelRAM = value("LabelRAM", bevel2);
    LabelAvail = value("LabelAvail", bevel2);
    LabelSwap = value("LabelSwap", bevel2);
    panelInfo->addRow(QStringLiteral("Organisation:"), LabelSociety);
    panelInfo->addRow(QStringLiteral("Owner:"), LabelOwner);
    panelInfo->addRow(QStringLiteral("Operating System:"), LabelSystem);
    panelInfo->addRow(QStringLiteral("Processor:"), LabelCPU);
    panelInfo->addRow(QStringLiteral("Total Memory:"), LabelRAM);
    panelInfo->addRow(QStringLiteral("Free:"), LabelAvail);
    panelInfo->addRow(QStringLiteral("Swap File Memory:"), LabelSwap);

    BtnOk = new QPushButton(QStringLiteral("OK"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setDefault(true);
    connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bevel1);
    layout->addWidget(bevel2);
    layout->addWidget(BtnOk, 0, Qt::AlignCenter);
    // The box fits its texts, never narrower than its classic 318 pixels.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    const QMargins margins = layout->contentsMargins();
    bevel1->setMinimumWidth(318 - margins.left() - margins.right());
    CentreOnScreen(this);
}

void TAboutBox::FormShow() {
    LabelSociety->setText(SysInfo.Organisation);
    LabelOwner->setText(SysInfo.Owner);
    LabelSystem->setText(SysInfo.OperatingSystem + QStringLiteral(" - V. ") + SysInfo.WinVersion +
                         QStringLiteral(" build ") + SysInfo.Build);
    LabelCPU->setText(SysInfo.CPU);
    LabelRAM->setText(SysInfo.TotalMemory);
    LabelAvail->setText(SysInfo.AvailMemory);
    LabelSwap->setText(SysInfo.SwapMemory);
    LabelFileVers->setText(QStringLiteral("File Version: ") + SysInfo.FileVersion);
}

void TAboutBox::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}
