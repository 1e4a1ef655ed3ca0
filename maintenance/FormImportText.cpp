#include "FormImportText.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>

#include "CentreOnScreen.h"
#include "FieldCheckList.h"
#include "FormMessage.h"
#include "OperationProgress.h"
#include "TextFormatChoice.h"
#include "core/EngineError.h"
#include "dataset/Table.h"
#include "ops/TextImport.h"
#include "ops/TextRecordReader.h"

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QListWidget* checkList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setMinimumHeight(180);
    return list;
}

}  // namespace

TFormImportText::TFormImportText(const QString& fileName, tabulon::Table& table, QWidget* parent)
    : QDialog(parent), FileName(fileName), Table(table) {
    setObjectName(QStringLiteral("FormImportText"));
    setWindowTitle(QStringLiteral("Import Text file"));
    Label1 = new QLabel(QStringLiteral("Fields to be filled with text data"), this);
    CheckListFields = checkList(this, "CheckListFields");
    BtnMoveUp = button(this, "BtnMoveUp", QStringLiteral("Move Up"));
    BtnMoveDn = button(this, "BtnMoveDn", QStringLiteral("Move Down"));
    Label2 = new QLabel(QStringLiteral("Fields to be imported from text data"), this);
    CheckListTextF = checkList(this, "CheckListTextF");
    BtnSel = button(this, "BtnSel", QStringLiteral("Select All"));
    BtnDesel = button(this, "BtnDesel", QStringLiteral("Deselect All"));
    Label3 = new QLabel(QStringLiteral("Fields Separator (Tab=^T):"), this);
    EditSep = new QLineEdit(this);
    EditSep->setObjectName(QStringLiteral("EditSep"));
    EditSep->setMaximumWidth(60);
    CBQuoted = new QCheckBox(QStringLiteral("Strip Quotes of String Fields"), this);
    CBQuoted->setObjectName(QStringLiteral("CBQuoted"));
    BtnParse = button(this, "BtnParse", QStringLiteral("Parse First Record"));
    FormatChoice = new TTextFormatChoice(QStringLiteral("First Line Names Fields"),
                                         QString::fromStdString(table.storage().facts().codePage), this);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    BtnOk = button(this, "BtnOk", QStringLiteral("Ok"));
    BtnCancel = button(this, "BtnCancel", QStringLiteral("Cancel"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Label2, 0, 2);
    grid->addWidget(CheckListFields, 1, 0, 3, 1);
    grid->addWidget(BtnMoveUp, 1, 1);
    grid->addWidget(BtnMoveDn, 2, 1);
    grid->addWidget(CheckListTextF, 1, 2, 3, 1);
    grid->addWidget(BtnSel, 1, 3);
    grid->addWidget(BtnDesel, 2, 3);
    grid->setRowStretch(3, 1);
    auto* separator = new QHBoxLayout;
    separator->addWidget(Label3);
    separator->addWidget(EditSep);
    separator->addSpacing(16);
    separator->addWidget(CBQuoted);
    separator->addStretch();
    separator->addWidget(BtnParse);
    grid->addLayout(separator, 4, 0, 1, 4);
    grid->addWidget(FormatChoice, 5, 0, 1, 4);
    grid->addWidget(ProgressBar, 6, 0, 1, 4);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnOk);
    buttons->addWidget(BtnCancel);
    grid->addLayout(buttons, 7, 0, 1, 4);
    setFixedSize(sizeHint());

    connect(BtnMoveUp, &QPushButton::clicked, this, [this] { MoveSelectedItem(CheckListFields, -1); });
    connect(BtnMoveDn, &QPushButton::clicked, this, [this] { MoveSelectedItem(CheckListFields, +1); });
    connect(BtnSel, &QPushButton::clicked, this, [this] { CheckAll(CheckListTextF, true); });
    connect(BtnDesel, &QPushButton::clicked, this, [this] { CheckAll(CheckListTextF, false); });
    connect(BtnParse, &QPushButton::clicked, this, &TFormImportText::BtnParseClick);
    connect(BtnOk, &QPushButton::clicked, this, [this] {
        BtnOkClick();
        accept();
    });
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    CentreOnScreen(this);
}

void TFormImportText::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFormImportText::FormShow() {
    FillFieldList(CheckListFields, Table.fieldDefs());
    const bool hasLines = QFileInfo(FileName).size() > 0;
    BtnParse->setEnabled(hasLines);
    BtnOk->setEnabled(hasLines);
}

tabulon::TextImportOptions TFormImportText::importOptions() const {
    tabulon::TextImportOptions options;
    options.file.separator = EditSep->text().toStdString();
    options.file.quoteStrings = CBQuoted->isChecked();
    options.file.regional = Table.regionalSettings();
    FormatChoice->applyTo(options.file);
    options.fields = CheckedTexts(CheckListFields);
    options.columns = CheckMarks(CheckListTextF);
    return options;
}

// Lists the first record's values (or the header's names) as the text columns; with a header,
// the fields it names come first in the field list, checked, in its order.
void TFormImportText::BtnParseClick() {
    const tabulon::TextImportOptions options = importOptions();
    std::vector<std::string> values;
    try {
        tabulon::TextRecordReader reader(FileName.toStdString(), options.file,
                                         tabulon::fileEncoding(options.file, Table.storage().facts().codePage));
        reader.next(values);
    } catch (const tabulon::EngineError& error) {
        ShowDialog(QString::fromStdString(error.formatted()));
        return;
    }
    FillCheckList(CheckListTextF, values);
    if (!options.file.header) return;
    CheckAll(CheckListTextF, true);
    int placed = 0;
    for (const std::string& name : values) {
        const auto found = CheckListFields->findItems(QString::fromStdString(name), Qt::MatchFixedString);
        for (QListWidgetItem* item : found) {
            if (CheckListFields->row(item) < placed) continue;  // a field an earlier column took
            CheckListFields->insertItem(placed++, CheckListFields->takeItem(CheckListFields->row(item)));
            break;
        }
    }
    for (int i = 0; i < CheckListFields->count(); ++i)
        CheckListFields->item(i)->setCheckState(i < placed ? Qt::Checked : Qt::Unchecked);
}

void TFormImportText::BtnOkClick() {
    tabulon::TextImportOptions options = importOptions();
    try {
        tabulon::TextImport import(Table.path(), Table.storage().facts().codePage);
        tabulon::TextImportResult result;
        {
            TOperationProgress progress(this, QStringLiteral("Importing %1").arg(FileName), ProgressBar);
            result = import.run(FileName.toStdString(), options);
        }
        if (!result.refused.empty()) {
            const QString why = QString::fromStdString(result.refused.front().message);
            if (AskDialog(QStringLiteral("%1.\nThe import stopped there. Keep the %2 records appended before it?")
                              .arg(why)
                              .arg(result.appended),
                          TMsgDlgType::mtConfirmation, mbYesNo) == mrYes) {
                ShowDialog(QStringLiteral("%1 records appended.").arg(result.appended));
            } else {
                TOperationProgress progress(this, QStringLiteral("Rolling back"), ProgressBar);
                import.undo();
                ShowDialog(QStringLiteral("The import was rolled back; no record was appended."));
            }
        }
    } catch (const tabulon::EngineError& error) {
        ShowFailure(QStringLiteral("The import failed."), QString::fromStdString(error.formatted()));
    }
    if (Table.state() == tabulon::TableState::Browse) Table.refresh();
}
