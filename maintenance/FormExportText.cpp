#include "FormExportText.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "CentreOnScreen.h"
#include "FieldCheckList.h"
#include "FormMessage.h"
#include "OperationProgress.h"
#include "TextFormatChoice.h"
#include "core/EngineError.h"
#include "dataset/Table.h"
#include "ops/TextExport.h"

TFormExportText::TFormExportText(tabulon::Table& table, QWidget* parent) : QDialog(parent), Table(table) {
    setObjectName(QStringLiteral("FormExportText"));
    setWindowTitle(QStringLiteral("Export Text File"));
    Label3 = new QLabel(QStringLiteral("Separator (Tab=^T):"), this);
    EditSep = new QLineEdit(this);
    EditSep->setObjectName(QStringLiteral("EditSep"));
    EditSep->setMaximumWidth(60);
    CBQuoted = new QCheckBox(QStringLiteral("Quote String Fields"), this);
    CBQuoted->setObjectName(QStringLiteral("CBQuoted"));
    Label1 = new QLabel(QStringLiteral("Fields to be exported"), this);
    BtnMoveUp = new QPushButton(QStringLiteral("Move Up"), this);
    BtnMoveUp->setObjectName(QStringLiteral("BtnMoveUp"));
    BtnMoveDn = new QPushButton(QStringLiteral("Move Down"), this);
    BtnMoveDn->setObjectName(QStringLiteral("BtnMoveDn"));
    CheckListFields = new QListWidget(this);
    CheckListFields->setObjectName(QStringLiteral("CheckListFields"));
    FormatChoice = new TTextFormatChoice(QStringLiteral("Field Names First"),
                                         QString::fromStdString(table.storage().facts().codePage), this);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    BtnOk = new QPushButton(QStringLiteral("Export"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnCancel = new QPushButton(QStringLiteral("Close"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    for (QPushButton* button : {BtnMoveUp, BtnMoveDn, BtnOk, BtnCancel}) button->setAutoDefault(false);

    SaveDialog = new QFileDialog(this, QStringLiteral("Export Text File"));
    SaveDialog->setObjectName(QStringLiteral("SaveDialog"));
    SaveDialog->setOption(QFileDialog::DontUseNativeDialog);
    SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog->setFileMode(QFileDialog::AnyFile);
    SaveDialog->setDefaultSuffix(QStringLiteral("TXT"));
    SaveDialog->setNameFilters({QStringLiteral("Text File (*.TXT *.txt)"), QStringLiteral("All Files (*)")});

    auto* grid = new QGridLayout(this);
    auto* separator = new QHBoxLayout;
    separator->addWidget(Label3);
    separator->addWidget(EditSep);
    separator->addSpacing(16);
    separator->addWidget(CBQuoted);
    separator->addStretch();
    grid->addLayout(separator, 0, 0, 1, 2);
    grid->addWidget(FormatChoice, 1, 0, 1, 2);
    grid->addWidget(Label1, 2, 0);
    grid->addWidget(CheckListFields, 3, 0, 3, 1);
    grid->addWidget(BtnMoveUp, 3, 1);
    grid->addWidget(BtnMoveDn, 4, 1);
    grid->setRowStretch(5, 1);
    grid->addWidget(ProgressBar, 6, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnOk);
    buttons->addWidget(BtnCancel);
    grid->addLayout(buttons, 7, 0, 1, 2);
    CheckListFields->setMinimumHeight(180);
    setFixedSize(sizeHint().expandedTo({460, 0}));

    connect(BtnMoveUp, &QPushButton::clicked, this, [this] { MoveSelectedItem(CheckListFields, -1); });
    connect(BtnMoveDn, &QPushButton::clicked, this, [this] { MoveSelectedItem(CheckListFields, +1); });
    connect(BtnOk, &QPushButton::clicked, this, &TFormExportText::BtnOkClick);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    CentreOnScreen(this);
}

void TFormExportText::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFormExportText::FormShow() { FillFieldList(CheckListFields, Table.fieldDefs()); }

void TFormExportText::BtnOkClick() {
    if (SaveDialog->exec() != QDialog::Accepted || SaveDialog->selectedFiles().isEmpty()) return;
    const QString path = SaveDialog->selectedFiles().constFirst();
    QCoreApplication::processEvents();  // the closed dialog is repainted away first
    tabulon::TextExportOptions options;
    options.file.separator = EditSep->text().toStdString();
    options.file.quoteStrings = CBQuoted->isChecked();
    options.file.regional = Table.regionalSettings();
    FormatChoice->applyTo(options.file);
    options.fields = CheckedTexts(CheckListFields);
    try {
        TOperationProgress progress(this, QStringLiteral("Exporting %1").arg(path), ProgressBar);
        tabulon::exportText(Table, path.toStdString(), options);
    } catch (const tabulon::EngineError& error) {
        ShowFailure(QStringLiteral("The text file was not written."), QString::fromStdString(error.formatted()));
    }
}
