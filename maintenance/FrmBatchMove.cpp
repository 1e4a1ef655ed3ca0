#include "FrmBatchMove.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <limits>

#include "CentreOnScreen.h"
#include "DirectoryComboLite.h"
#include "FileListViewLite.h"
#include "FormMessage.h"
#include "Hint.h"
#include "HourglassCursor.h"
#include "OperationProgress.h"
#include "ShellChangeNotifyThread.h"
#include "core/EngineError.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "ops/BatchMove.h"
#include "ops/TableDefinitions.h"

namespace {

enum Message {
    msgExecuted,
    msgRollback,
    msgSource,
    msgDestination,
    msgNameRequired,
    msgKeyViolation,
    msgProblem,
    msgNone,
    msgFirstModeHelp
};

QStringList BatchMoveMessages() {
    return {
        QStringLiteral("Operation succesfully Executed!"),
        QStringLiteral("An error was occured: Rollback called!"),
        QStringLiteral("Source"),
        QStringLiteral("Destination"),
        QStringLiteral("table name is required."),
        QStringLiteral("Key Violation"),
        QStringLiteral("Problem"),
        QStringLiteral("<None>"),
        QStringLiteral("Append the records in the source to the destination table. The destination table must already "
                       "exist, and the two tables must not have records with duplicate keys."),
        QStringLiteral("Replace records in the destination table with matching records from the source table. The "
                       "destination table must exist and must have an index defined to match records."),
        QStringLiteral("If a matching record exists in the destination table, replace it. Otherwise, append records "
                       "to the destination table. The destination table must exist and must have an index defined to "
                       "match records."),
        QStringLiteral("Create the destination table based on the structure of the source table. If the destination "
                       "already exists, the operation will delete it, and replace it with the new copy of the "
                       "source."),
        QStringLiteral("Delete records in the destination table that match records in the source table. The "
                       "destination table must already exist and must have an index defined."),
    };
}

// In the order of tabulon::BatchMode.
const QStringList kModes = {QStringLiteral("Append"), QStringLiteral("Update"), QStringLiteral("AppendUpdate"),
                            QStringLiteral("Copy"), QStringLiteral("Delete")};

// The window's folder opener: the connection re-pointed at `folder`.
void OpenFolderDatabase(tabulon::Connection& connection, const QString& folder) {
    connection.disconnect();
    connection.setDriverName(tabulon::Connection::kDriverName);
    connection.setParams(tabulon::Connection::folderParams(folder.toStdString()));
    connection.connect();
}

// Re-points the connection, leaving it disconnected when the folder cannot be used (a special
// view, a folder gone): the move reports that when it runs.
void TryOpenFolderDatabase(tabulon::Connection& connection, const QString& folder) {
    try {
        OpenFolderDatabase(connection, folder);
    } catch (const tabulon::EngineError&) {
    }
}

// The item's index name, or empty for the first item ("<None>").
std::string ChosenIndex(const QComboBox* indexList) {
    return indexList->currentIndex() > 0 ? indexList->currentText().toStdString() : std::string();
}

QToolButton* NewPicker(QWidget* parent, const QString& name) {
    auto* picker = new QToolButton(parent);
    picker->setObjectName(name);
    picker->setText(QStringLiteral("..."));
    return picker;
}

}  // namespace

TfrmBatchMove::TfrmBatchMove(QWidget* parent, tabulon::Session* session)
    : QDialog(parent),
      MessageHolder(BatchMoveMessages()),
      session_(session != nullptr ? *session : tabulon::Session::defaultSession()),
      dbSource(session_.addConnection("dbSource")),
      dbDest(session_.addConnection("dbDestination")),
      tblSource(std::make_unique<tabulon::Table>(dbSource)),
      tblDest(std::make_unique<tabulon::Table>(dbDest)) {
    setObjectName(QStringLiteral("frmBatchMove"));
    setWindowTitle(QStringLiteral("Batch Move"));

    auto* sides = new QHBoxLayout;
    sides->addWidget(
        buildSide(QStringLiteral("Source"), DirectoryComboSour, FileListViewTabSour, Label1, Label9, cbSourceIndex));
    sides->addWidget(buildSide(QStringLiteral("Destination"), DirectoryComboDest, FileListViewTabDest, Label2, Label10,
                               cbDestIndex));
    DirectoryComboSour->setObjectName(QStringLiteral("DirectoryComboSour"));
    FileListViewTabSour->setObjectName(QStringLiteral("FileListViewTabSour"));
    cbSourceIndex->setObjectName(QStringLiteral("cbSourceIndex"));
    DirectoryComboDest->setObjectName(QStringLiteral("DirectoryComboDest"));
    FileListViewTabDest->setObjectName(QStringLiteral("FileListViewTabDest"));
    cbDestIndex->setObjectName(QStringLiteral("cbDestIndex"));

    Label7 = new QLabel(QStringLiteral("Batch Transfer Mode:"), this);
    cbMode = new QComboBox(this);
    cbMode->setObjectName(QStringLiteral("cbMode"));
    cbMode->addItems(kModes);
    LabelHelp = new QLabel(this);
    LabelHelp->setObjectName(QStringLiteral("LabelHelp"));
    LabelHelp->setWordWrap(true);
    LabelHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelHelp->setMinimumHeight(3 * fontMetrics().height());  // the longest help text's lines
    auto* mode = new QHBoxLayout;
    mode->addWidget(Label7);
    mode->addWidget(cbMode, 1);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(buildErrorPage(), QStringLiteral("Error Handling"));
    PageControl1->addTab(buildRecordPage(), QStringLiteral("Record Control"));

    BtnMove = new QPushButton(QStringLiteral("Execute"), this);
    BtnMove->setObjectName(QStringLiteral("BtnMove"));
    Button1 = new QPushButton(QStringLiteral("Cancel"), this);  // Escape closes the window as well
    Button1->setObjectName(QStringLiteral("Button1"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnMove);
    buttons->addWidget(Button1);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sides);
    layout->addLayout(mode);
    layout->addWidget(LabelHelp);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
    layout->addWidget(StatusBar);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // a fixed dialog border

    OpenDialog = new QFileDialog(this, QStringLiteral("Choose Table"));
    OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
    OpenDialog->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog->setDefaultSuffix(QStringLiteral("DB"));
    // Table names come in either letter case here.
    OpenDialog->setNameFilters({QStringLiteral("Paradox Files (*.DB *.db)"),
                                QStringLiteral("DBase Files (*.DBF *.dbf)"), QStringLiteral("All Files (*)")});
    OpenDialog->setFileMode(QFileDialog::AnyFile);

    connect(cbMode, &QComboBox::currentIndexChanged, this, [this] { cbModeChange(); });
    connect(ckAbortOnKeyViol, &QCheckBox::toggled, this, [this] { ckAbortOnKeyViolClick(); });
    connect(ckAbortOnProblem, &QCheckBox::toggled, this, [this] { ckAbortOnProblemClick(); });
    for (QToolButton* picker : {sbKeyViolTbl, sbProbTbl, sbChangeTbl})
        connect(picker, &QToolButton::clicked, this, [this, picker] { sbKeyViolTblClick(picker); });
    connect(
        DirectoryComboSour, &TDirectoryComboLite::DirectoryChange, this,
        [this](QObject*, const QString&, const QString& newKey, bool) { DirectoryComboSourDirectoryChange(newKey); });
    connect(
        DirectoryComboDest, &TDirectoryComboLite::DirectoryChange, this,
        [this](QObject*, const QString&, const QString& newKey, bool) { DirectoryComboDestDirectoryChange(newKey); });
    connect(FileListViewTabSour, &TFileListViewLite::SelectionChange, this, [this] { FileListViewTabSourChange(); });
    connect(FileListViewTabDest, &TFileListViewLite::SelectionChange, this, [this] { FileListViewTabDestChange(); });
    // A folder read anew has nothing selected, so its index list starts over too.
    connect(FileListViewTabSour, &TFileListViewLite::AfterRead, this, [this] { FileListViewTabSourChange(); });
    connect(FileListViewTabDest, &TFileListViewLite::AfterRead, this, [this] { FileListViewTabDestChange(); });
    connect(BtnMove, &QPushButton::clicked, this, [this] { BtnMoveClick(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

    // FormCreate: Append with its help, the batch move's defaults on the three boxes (which runs
    // their click handlers).
    cbMode->setCurrentIndex(0);
    cbModeChange();
    ckAbortOnKeyViol->setChecked(true);
    ckAbortOnProblem->setChecked(true);
    ckTransliterate->setChecked(true);
    cbSourceIndex->addItem(MessageHolder.value(msgNone));
    cbDestIndex->addItem(MessageHolder.value(msgNone));
    BtnMove->setFocus();
}

TfrmBatchMove::~TfrmBatchMove() {
    tblSource.reset();
    tblDest.reset();
    session_.removeConnection(dbSource);
    session_.removeConnection(dbDest);
}

QWidget* TfrmBatchMove::buildSide(const QString& caption, TDirectoryComboLite*& combo, TFileListViewLite*& list,
                                  QLabel*& label, QLabel*& indexLabel, QComboBox*& indexList) {
    auto* side = new QWidget(this);
    label = new QLabel(caption, side);
    combo = new TDirectoryComboLite(side);
    list = new TFileListViewLite(side);
    list->setMask(QStringLiteral("*.DB;*.DBF"));
    list->setViewIconStyle(visSmallIcon);
    list->setDirCombo(combo);
    list->setFixedSize(260, 200);
    indexLabel = new QLabel(QStringLiteral("Index"), side);
    indexList = new QComboBox(side);
    auto* index = new QHBoxLayout;
    index->addWidget(indexLabel);
    index->addWidget(indexList, 1);
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(combo);
    layout->addWidget(list);
    layout->addLayout(index);
    return side;
}

QWidget* TfrmBatchMove::buildErrorPage() {
    auto* page = new QWidget(this);
    const auto row = [page](QCheckBox*& box, const QString& caption, const QString& hint, QLabel*& label,
                            const QString& labelText, QLineEdit*& edit, const QString& editHint, QToolButton*& picker,
                            const QString& pickerName) {
        box = new QCheckBox(caption, page);
        SetHint(box, QStringLiteral("|") + hint);
        label = new QLabel(labelText, page);
        edit = new QLineEdit(page);
        SetHint(edit, QStringLiteral("|") + editHint);
        label->setBuddy(edit);
        picker = NewPicker(page, pickerName);
        picker->setEnabled(false);
    };
    row(ckAbortOnKeyViol, QStringLiteral("Abort On Key &Violation"),
        QStringLiteral("Terminate on integrity (key) violation"), txtKeyViolTableName,
        QStringLiteral("&Key Violation Table"), edKeyViolTableName,
        QStringLiteral("Table containing all records from the source table that caused an integrity violation"),
        sbKeyViolTbl, QStringLiteral("sbKeyViolTbl"));
    row(ckAbortOnProblem, QStringLiteral("Abort On &Problem"), QStringLiteral("Terminate on data truncation"),
        txtProblemTableName, QStringLiteral("Pr&oblem Table"), edProblemTableName,
        QStringLiteral("Table containing records that could not be moved because of field width conflict"), sbProbTbl,
        QStringLiteral("sbProbTbl"));
    ckAbortOnKeyViol->setObjectName(QStringLiteral("ckAbortOnKeyViol"));
    edKeyViolTableName->setObjectName(QStringLiteral("edKeyViolTableName"));
    ckAbortOnProblem->setObjectName(QStringLiteral("ckAbortOnProblem"));
    edProblemTableName->setObjectName(QStringLiteral("edProblemTableName"));

    auto* layout = new QGridLayout(page);
    layout->addWidget(ckAbortOnKeyViol, 0, 0, 1, 3);
    layout->addWidget(txtKeyViolTableName, 1, 0);
    layout->addWidget(edKeyViolTableName, 1, 1);
    layout->addWidget(sbKeyViolTbl, 1, 2);
    layout->addWidget(ckAbortOnProblem, 2, 0, 1, 3);
    layout->addWidget(txtProblemTableName, 3, 0);
    layout->addWidget(edProblemTableName, 3, 1);
    layout->addWidget(sbProbTbl, 3, 2);
    return page;
}

QWidget* TfrmBatchMove::buildRecordPage() {
    auto* page = new QWidget(this);
    const auto count = [page](QSpinBox*& spin, const QString& name, const QString& hint) {
        spin = new QSpinBox(page);
        spin->setObjectName(name);
        spin->setRange(0, std::numeric_limits<std::int32_t>::max());
        spin->setValue(0);
        spin->setMaximumWidth(spin->fontMetrics().horizontalAdvance(QStringLiteral("2147483647")) * 3 / 2);
        SetHint(spin, QStringLiteral("|") + hint);
    };
    count(edRecordCount, QStringLiteral("edRecordCount"), QStringLiteral("Records to move. 0 means all records."));
    count(edCommitCount, QStringLiteral("edCommitCount"), QStringLiteral("Records moved before commit"));
    edChangedTableName = new QLineEdit(page);
    edChangedTableName->setObjectName(QStringLiteral("edChangedTableName"));
    SetHint(edChangedTableName, QStringLiteral("|Table containing all records in the destination table that changed "
                                               "as a result of the batch operation"));
    sbChangeTbl = NewPicker(page, QStringLiteral("sbChangeTbl"));
    ckTransliterate = new QCheckBox(QStringLiteral("&Translate character set"), page);
    ckTransliterate->setObjectName(QStringLiteral("ckTransliterate"));
    SetHint(ckTransliterate, QStringLiteral("|Data in character fields of source table transliterated into the "
                                            "character set of the destination table"));

    auto* layout = new QGridLayout(page);
    const auto labelled = [&](int at, const QString& text, QWidget* control) {
        auto* label = new QLabel(text, page);
        label->setBuddy(control);
        layout->addWidget(label, at, 0);
        layout->addWidget(control, at, 1);
    };
    labelled(0, QStringLiteral("&Record Count"), edRecordCount);
    labelled(1, QStringLiteral("Commit Co&unt"), edCommitCount);
    labelled(2, QStringLiteral("Changed Table &Name"), edChangedTableName);
    layout->addWidget(sbChangeTbl, 2, 2);
    layout->addWidget(ckTransliterate, 3, 0, 1, 3);
    return page;
}

void TfrmBatchMove::ShowForFolder(const QString& folder, const QString& tableFileName, TViewIconStyle viewStyle) {
    PrepareForFolder(folder, tableFileName, viewStyle);
    CentreOnScreen(this);
    exec();
}

void TfrmBatchMove::PrepareForFolder(const QString& folder, const QString& tableFileName, TViewIconStyle viewStyle) {
    for (TFileListViewLite* list : {FileListViewTabSour, FileListViewTabDest}) {
        list->dirCombo()->SetDirectory(folder);
        list->setReadEnabled(true);
        list->ReadDirectory();
        list->setViewIconStyle(viewStyle);
    }
    if (!tableFileName.isEmpty()) FileListViewTabSour->SelectFile(QDir(folder).filePath(tableFileName));
}

bool TfrmBatchMove::event(QEvent* event) {
    // FormShow: the long part of the hints shows in this window's own status bar.
    if (event->type() == QEvent::StatusTip) {
        StatusBar->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

void TfrmBatchMove::done(int result) {
    // FormClose: the browsers read nothing while the window is away.
    FileListViewTabSour->setReadEnabled(false);
    FileListViewTabDest->setReadEnabled(false);
    QDialog::done(result);
}

void TfrmBatchMove::cbModeChange() {
    LabelHelp->setText(MessageHolder.value(msgFirstModeHelp + cbMode->currentIndex()));
}

void TfrmBatchMove::abortBoxClick(QCheckBox* box, QLabel* label, QLineEdit* edit, QToolButton* picker) {
    const bool aborting = box->isChecked();
    edit->setEnabled(!aborting);
    picker->setEnabled(!aborting);
    QFont font = label->font();
    font.setItalic(aborting);
    label->setFont(font);
    if (!aborting) edit->setFocus();
}

void TfrmBatchMove::ckAbortOnKeyViolClick() {
    abortBoxClick(ckAbortOnKeyViol, txtKeyViolTableName, edKeyViolTableName, sbKeyViolTbl);
}

void TfrmBatchMove::ckAbortOnProblemClick() {
    abortBoxClick(ckAbortOnProblem, txtProblemTableName, edProblemTableName, sbProbTbl);
}

void TfrmBatchMove::sbKeyViolTblClick(QToolButton* sender) {
    QLineEdit* edit = sender == sbKeyViolTbl ? edKeyViolTableName
                      : sender == sbProbTbl  ? edProblemTableName
                                             : edChangedTableName;
    if (OpenDialog->exec() == QDialog::Accepted && !OpenDialog->selectedFiles().isEmpty())
        edit->setText(OpenDialog->selectedFiles().first());
}

void TfrmBatchMove::DirectoryComboSourDirectoryChange(const QString& newKey) {
    TryOpenFolderDatabase(dbSource, newKey);
}

void TfrmBatchMove::DirectoryComboDestDirectoryChange(const QString& newKey) { TryOpenFolderDatabase(dbDest, newKey); }

void TfrmBatchMove::FileListViewTabSourChange() { fillIndexList(*tblSource, FileListViewTabSour, cbSourceIndex); }

void TfrmBatchMove::FileListViewTabDestChange() { fillIndexList(*tblDest, FileListViewTabDest, cbDestIndex); }

void TfrmBatchMove::fillIndexList(tabulon::Table& table, TFileListViewLite* list, QComboBox* indexList) {
    const QString name = list->SelectedFileName();
    indexList->clear();
    if (list->ItemCount() > 0 && !name.isEmpty() && !QFileInfo(name).suffix().isEmpty()) {
        try {
            table.setTableName(name.toStdString());
            table.setReadOnly(true);
            table.open();
            for (const auto& index : table.indexDefs())
                if (!index.name.empty()) indexList->addItem(QString::fromStdString(index.name));
            table.close();
        } catch (const tabulon::EngineError&) {
            // Not a table this window can read: no index to offer.
            if (table.active()) table.close();
            indexList->clear();
        }
    }
    indexList->insertItem(0, MessageHolder.value(msgNone));
    indexList->setCurrentIndex(0);
}

void TfrmBatchMove::refuse(const QString& word) {
    AskDialog(QStringLiteral("%1 %2").arg(word, MessageHolder.value(msgNameRequired)), TMsgDlgType::mtError, mbOK);
}

void TfrmBatchMove::BtnMoveClick() {
    const bool copy = cbMode->currentIndex() == static_cast<int>(tabulon::BatchMode::Copy);
    const QString sourceName = FileListViewTabSour->SelectedFileName();
    const QString destinationName = FileListViewTabDest->SelectedFileName();
    if (sourceName.isEmpty()) return refuse(MessageHolder.value(msgSource));
    if (!copy && destinationName.isEmpty()) return refuse(MessageHolder.value(msgDestination));
    if (!ckAbortOnKeyViol->isChecked() && edKeyViolTableName->text().isEmpty()) {
        edKeyViolTableName->setFocus();
        return refuse(MessageHolder.value(msgKeyViolation));
    }
    if (!ckAbortOnProblem->isChecked() && edProblemTableName->text().isEmpty()) {
        edProblemTableName->setFocus();
        return refuse(MessageHolder.value(msgProblem));
    }
    // Copy without a chosen destination creates the source's name in the destination folder.
    runMove(sourceName, destinationName.isEmpty() ? sourceName : destinationName);
}

void TfrmBatchMove::runMove(const QString& sourceName, const QString& destinationName) {
    tabulon::BatchMoveOptions options;
    options.mode = static_cast<tabulon::BatchMode>(cbMode->currentIndex());
    options.abortOnKeyViolation = ckAbortOnKeyViol->isChecked();
    options.abortOnProblem = ckAbortOnProblem->isChecked();
    options.transliterate = ckTransliterate->isChecked();
    options.recordCount = static_cast<std::uint64_t>(edRecordCount->value());
    options.commitCount = static_cast<std::uint64_t>(edCommitCount->value());
    options.changedTable = edChangedTableName->text().toStdString();
    options.keyViolationTable = edKeyViolTableName->text().toStdString();
    options.problemTable = edProblemTableName->text().toStdString();
    options.sourceIndex = ChosenIndex(cbSourceIndex);
    options.destinationIndex = ChosenIndex(cbDestIndex);
    {
        // The progress window lets events run: a list re-reading its folder meanwhile would
        // reopen the source table under the running move. The lists show the result afterwards.
        const TShellChangeNotifyThread::Pause pauseSource(*FileListViewTabSour->watcher());
        const TShellChangeNotifyThread::Pause pauseDestination(*FileListViewTabDest->watcher());
        moveTable(sourceName, destinationName, options);
    }
    FileListViewTabSour->ReadDirectory();
    FileListViewTabDest->ReadDirectory();
}

void TfrmBatchMove::moveTable(const QString& sourceName, const QString& destinationName,
                              const tabulon::BatchMoveOptions& options) {
    try {
        THourglassCursor hourglass;
        TOperationProgress progress(this, windowTitle());
        // Each move reads its folders afresh; one that cannot be used fails the move.
        OpenFolderDatabase(dbSource, DirectoryComboSour->Directory());
        OpenFolderDatabase(dbDest, DirectoryComboDest->Directory());
        tblSource->setTableName(sourceName.toStdString());
        tblSource->setReadOnly(true);
        tblSource->open();
        const std::filesystem::path destination = dbDest.folder() / destinationName.toStdString();
        tabulon::BatchMove(tabulon::TableDefinitions()).run(tblSource->storage(), destination, options);
        tblSource->close();
        StatusBar->showMessage(MessageHolder.value(msgExecuted));
    } catch (const tabulon::EngineError& error) {
        if (tblSource->active()) tblSource->close();
        StatusBar->showMessage(QStringLiteral("Error!"));
        ShowFailure(MessageHolder.value(msgRollback), QString::fromStdString(error.formatted()));
    }
}

void TfrmBatchMove::Button1Click() { reject(); }
