#include "SpecialPage.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <optional>

#include "DataMod.h"
#include "FormExportText.h"
#include "FormImportText.h"
#include "FormMessage.h"
#include "Hint.h"
#include "HourglassCursor.h"
#include "OperationProgress.h"
#include "SpecialPageHost.h"
#include "dataset/Table.h"

namespace {

QPushButton* command(QWidget* parent, const char* name, const QString& caption, const QString& hint, bool enabled) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    SetHint(button, u'|' + hint);
    button->setEnabled(enabled);
    return button;
}

QLineEdit* edit(QWidget* parent, const char* name) {
    auto* line = new QLineEdit(parent);
    line->setObjectName(QString::fromLatin1(name));
    return line;
}

QToolButton* picker(QWidget* parent, const char* name) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(true);
    button->setIcon(parent->style()->standardIcon(QStyle::SP_DirOpenIcon));
    button->setFixedSize(24, 24);
    button->setEnabled(false);
    return button;
}

}  // namespace

TSpecialPage::TSpecialPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetSpecial"));
    BtnSpecRen = command(this, "BtnSpecRen", "Rename Table",
                         "Rename Table  (if Table is Busy retry ten times then abort)", false);
    BtnSpecCrt = command(this, "BtnSpecCrt", "Create New Table",
                         "Create New Table based on Opened Table definition  (no support files)", false);
    BtnSpecCp = command(this, "BtnSpecCp", "Copy Table",
                        "Copy Table and related Support Files  (can't copy on same DB path)", false);
    BtnSpecCpEm = command(this, "BtnSpecCpEm", "Copy Empty Table",
                          "Copy Empty Table  (useful instead of \"Create new Table\")", false);
    BtnSpecUpd = command(this, "BtnSpecUpd", "Update Records",
                         "Update Table Records using actual Table Filter (Set Update string as: "
                         "Field Name = New Value)",
                         false);
    BtnSpecDel = command(this, "BtnSpecDel", "Delete Records", "Delete Table Records using actual Table Filter", false);
    BtnSpecImportText =
        command(this, "BtnSpecImportText", "Import Text", "Import records from formatted text file", false);
    BtnSpecExportText =
        command(this, "BtnSpecExportText", "Export Text", "Export records to formatted text file", false);
    BtnSpecEmpty = command(this, "BtnSpecEmpty", "Empty Table",
                           "Empty Table  (if Table is Busy retry ten times then abort)", false);
    BtnSpecReorg = command(this, "BtnSpecReorg", "Reorganize Table",
                           "Reorganize Table by fisically remove deleted record and Reindex", false);
    BtnSpecPackTab = command(this, "BtnSpecPackTab", "Pack Table", "Pack the Table by removing erased Records", false);
    BtnSpecReindex = command(this, "BtnSpecReindex", "Regen Index", "Regenerate the table's indexes", false);
    BtnBatMove = command(this, "BtnBatMove", "Batch Move...", "Batch Operation Utility", true);
    BtnRestruc = command(this, "BtnRestruc", "Restructure...", "Table Restructure Utility", true);
    BtnVerifyR = command(this, "BtnVerifyR", "Verify - Rebuild...", "Verify and rebuild table's utility", true);
    EditSpecNam = edit(this, "EditSpecNam");
    EditSpecCreate = edit(this, "EditSpecCreate");
    EditSpecCopy = edit(this, "EditSpecCopy");
    EditSpecCpEm = edit(this, "EditSpecCpEm");
    EditSpecUpd = edit(this, "EditSpecUpd");
    BtnSpecOpenCrt = picker(this, "BtnSpecOpenCrt");
    BtnSpecOpenCp = picker(this, "BtnSpecOpenCp");
    BtnSpecOpenCpEm = picker(this, "BtnSpecOpenCpEm");

    // Each edit stands beside its command and fills the page's width; the pickers stand at the
    // right edge beside their edits.
    auto* grid = new QGridLayout(this);
    struct Row {
        QPushButton* button;
        QLineEdit* line;
        QToolButton* picker;
    };
    const QList<Row> rows = {{BtnSpecRen, EditSpecNam, nullptr},       {BtnSpecCrt, EditSpecCreate, BtnSpecOpenCrt},
                             {BtnSpecCp, EditSpecCopy, BtnSpecOpenCp}, {BtnSpecCpEm, EditSpecCpEm, BtnSpecOpenCpEm},
                             {BtnSpecUpd, EditSpecUpd, nullptr},       {BtnSpecDel, nullptr, nullptr},
                             {BtnSpecImportText, nullptr, nullptr},    {BtnSpecExportText, nullptr, nullptr},
                             {BtnSpecEmpty, nullptr, nullptr},         {BtnSpecReorg, nullptr, nullptr},
                             {BtnSpecPackTab, nullptr, nullptr},       {BtnSpecReindex, nullptr, nullptr}};
    int row = 0;
    for (const Row& r : rows) {
        r.button->setFixedWidth(130);
        grid->addWidget(r.button, row, 0);
        if (r.line != nullptr) {
            grid->addWidget(r.line, row, 1);
        }
        if (r.picker != nullptr) {
            grid->addWidget(r.picker, row, 2);
        }
        ++row;
    }
    auto* tools = new QHBoxLayout;
    for (QPushButton* button : {BtnBatMove, BtnRestruc, BtnVerifyR}) {
        tools->addWidget(button);
    }
    tools->addStretch();
    grid->addLayout(tools, row, 0, 1, 3);
    grid->setRowStretch(row + 1, 1);
    grid->setColumnStretch(1, 1);
}

QList<QWidget*> TSpecialPage::tableBoundControls() const {
    return {BtnSpecCrt,        BtnSpecCp,         BtnSpecCpEm,    BtnSpecUpd,    BtnSpecDel,
            BtnSpecImportText, BtnSpecExportText, BtnSpecOpenCrt, BtnSpecOpenCp, BtnSpecOpenCpEm};
}

QList<QWidget*> TSpecialPage::fileBoundControls() const {
    return {BtnSpecEmpty, BtnSpecRen, BtnSpecReorg, BtnSpecPackTab, BtnSpecReindex};
}

void TSpecialPage::ConnectCommands(TSpecialPageHost& host, TDataMod& dataMod) {
    host_ = &host;
    dataMod_ = &dataMod;
    const QList<std::pair<QPushButton*, void (TSpecialPage::*)()>> commands = {
        {BtnSpecCrt, &TSpecialPage::BtnSpecCrtClick},
        {BtnSpecCp, &TSpecialPage::BtnSpecCpClick},
        {BtnSpecCpEm, &TSpecialPage::BtnSpecCpEmClick},
        {BtnSpecRen, &TSpecialPage::BtnSpecRenClick},
        {BtnSpecEmpty, &TSpecialPage::BtnSpecEmptyClick},
        {BtnSpecReorg, &TSpecialPage::BtnSpecReorgClick},
        {BtnSpecPackTab, &TSpecialPage::BtnSpecPackTabClick},
        {BtnSpecReindex, &TSpecialPage::BtnSpecReindexClick},
        {BtnSpecUpd, &TSpecialPage::BtnSpecUpdClick},
        {BtnSpecDel, &TSpecialPage::BtnSpecDelClick},
        {BtnSpecImportText, &TSpecialPage::BtnSpecImportTextClick},
        {BtnSpecExportText, &TSpecialPage::BtnSpecExportTextClick},
        {BtnBatMove, &TSpecialPage::BtnBatMoveClick},
        {BtnRestruc, &TSpecialPage::BtnRestrucClick},

        {BtnVerifyR, &TSpecialPage::BtnVerifyRClick}};
    for (const auto& [button, handler] : commands) {
        connect(button, &QPushButton::clicked, this, handler);
    }
    for (QToolButton* picker : {BtnSpecOpenCrt, BtnSpecOpenCp, BtnSpecOpenCpEm}) {
        connect(picker, &QToolButton::clicked, this, &TSpecialPage::BtnSpecOpenClick);
    }
}

void TSpecialPage::MakeTable(const QLineEdit* target, int successText,
                             const std::function<bool(const QString&, const QString&, QString&)>& make) {
    const QString path = target->text();
    // Nothing is replaced without the user's word; what is replaced goes to the trash.
    // The table itself is no table to replace: the operation refuses it.
    const bool itself = QFileInfo(path).absoluteFilePath().compare(host_->SelectedTable(), Qt::CaseInsensitive) == 0;
    if (!itself && TDataMod::TableExists(path) &&
        AskDialog(QStringLiteral("%1 already exists. Replace it? (it goes to the trash)").arg(path),
                  TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) {
        return;
    }
    QString error;
    bool done = false;
    {
        const THourglassCursor hourglass;
        done = make(host_->SelectedTable(), path, error);
    }
    ShowDialog(done ? host_->Message(successText) : error);
    host_->RefreshFileList();
}

void TSpecialPage::BtnSpecCrtClick() {
    MakeTable(EditSpecCreate, 8, [this](const QString& source, const QString& target, QString& error) {
        return dataMod_->CreateTableLike(source, target, error);
    });
}

void TSpecialPage::BtnSpecCpClick() {
    MakeTable(EditSpecCopy, 9, [this](const QString& source, const QString& target, QString& error) {
        return dataMod_->CopyTable(source, target, error);
    });
}

void TSpecialPage::BtnSpecCpEmClick() {
    MakeTable(EditSpecCpEm, 9, [this](const QString& source, const QString& target, QString& error) {
        return dataMod_->CopyEmptyTable(source, target, error);
    });
}

void TSpecialPage::RunOnClosedTable(int successText, const QString& progress, bool reopen,
                                    const std::function<bool(QString&)>& work) {
    host_->LeaveEditMode();
    if (AskDialog(host_->Message(10), TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) {
        return;
    }
    const bool wasActive = host_->TableActive();
    host_->SetTableActive(false);
    QString error;
    bool done = false;
    {
        const THourglassCursor hourglass;
        std::optional<TOperationProgress> shown;
        if (!progress.isEmpty()) {
            shown.emplace(window(), progress);
        }
        done = work(error);
    }
    ShowDialog(done ? host_->Message(successText) : error);
    host_->RefreshFileList();
    host_->SetTableActive(reopen || wasActive);
}

void TSpecialPage::BtnSpecEmptyClick() {
    RunOnClosedTable(11, {}, false,
                     [this](QString& error) { return dataMod_->EmptyTable(host_->SelectedTable(), error); });
}

void TSpecialPage::BtnSpecReorgClick() {
    RunOnClosedTable(13, QStringLiteral("Reorganize Table"), false,
                     [this](QString& error) { return dataMod_->ReorganizeTable(host_->SelectedTable(), {}, error); });
}

void TSpecialPage::BtnSpecPackTabClick() {
    RunOnClosedTable(19, QStringLiteral("Pack Table"), false,
                     [this](QString& error) { return dataMod_->PackTable(host_->SelectedTable(), error); });
}

void TSpecialPage::BtnSpecReindexClick() {
    RunOnClosedTable(20, QStringLiteral("Regen Index"), false,
                     [this](QString& error) { return dataMod_->RegenerateIndexes(host_->SelectedTable(), error); });
}

void TSpecialPage::BtnSpecUpdClick() {
    const QString filter = host_->TableFilter();
    RunOnClosedTable(14, QStringLiteral("Update Records"), true, [this, filter](QString& error) {
        return dataMod_->UpdateRecords(host_->SelectedTable(), EditSpecUpd->text(), filter, error);
    });
}

void TSpecialPage::BtnSpecDelClick() {
    const QString filter = host_->TableFilter();
    RunOnClosedTable(15, QStringLiteral("Delete Records"), true, [this, filter](QString& error) {
        return dataMod_->DeleteRecords(host_->SelectedTable(), filter, error);
    });
}

void TSpecialPage::BtnSpecRenClick() {
    host_->LeaveEditMode();
    if (AskDialog(host_->Message(10), TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) {
        return;
    }
    const bool wasActive = host_->TableActive();
    host_->SetTableActive(false);
    const QString table = host_->SelectedTable();
    QString error;
    if (!dataMod_->RenameTable(table, EditSpecNam->text(), error)) {
        host_->SetTableActive(wasActive);
        ShowDialog(error);
        return;
    }
    ShowDialog(host_->Message(12));
    // A name typed without the table's extension gets it, as the rename gave it to the files.
    const QString extension = u'.' + QFileInfo(table).suffix();
    QString name = QFileInfo(EditSpecNam->text()).fileName();
    if (!name.endsWith(extension, Qt::CaseInsensitive)) {
        name += extension;
    }
    host_->TableRenamed(QFileInfo(table).absolutePath() + u'/' + name, wasActive);
}

void TSpecialPage::BtnSpecImportTextClick() {
    tabulon::Table* table = host_->OpenTable();
    if (!host_->TableActive() || table == nullptr) {
        return;
    }
    host_->LeaveEditMode();
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("Text Format (*.TXT *.txt)"), QStringLiteral("All Files (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    TFormImportText form(dialog.selectedFiles().constFirst(), *table, this);
    form.exec();
    host_->TableRecordsChanged();
}

void TSpecialPage::BtnSpecExportTextClick() {
    tabulon::Table* table = host_->OpenTable();
    if (!host_->TableActive() || table == nullptr || table->fieldCount() == 0) {
        return;
    }
    host_->LeaveEditMode();
    TFormExportText form(*table, this);
    form.exec();
    host_->RefreshFileList();
}

void TSpecialPage::BtnBatMoveClick() {
    const bool wasActive = host_->TableActive();
    host_->SetTableActive(false);
    host_->ShowBatchMove();
    host_->SetTableActive(wasActive);
}

// The restructure window replaces tables: the open one is closed first and not reopened.
void TSpecialPage::BtnRestrucClick() {
    host_->LeaveEditMode();
    host_->SetTableActive(false);
    host_->ShowRestructure();
    host_->RefreshFileList();
}

void TSpecialPage::BtnVerifyRClick() { host_->ShowVerifyRebuild(); }

void TSpecialPage::BtnSpecOpenClick() {
    QLineEdit* edit = sender() == BtnSpecOpenCrt  ? EditSpecCreate
                      : sender() == BtnSpecOpenCp ? EditSpecCopy
                                                  : EditSpecCpEm;
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("DBase Format (*.DBF *.dbf)"), QStringLiteral("Paradox Format (*.DB *.db)"),
                           QStringLiteral("All Files (*)")});
    dialog.selectFile(edit->text());
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        edit->setText(dialog.selectedFiles().constFirst());
    }
}
