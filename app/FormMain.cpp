#include "FormMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

#include "AboutBox.h"
#include "AppInfo.h"
#include "CellValueDialog.h"
#include "CentreOnScreen.h"
#include "CodePageDialog.h"
#include "DBGrid.h"
#include "DirectoryComboLite.h"
#include "ErrorReport.h"
#include "FieldsPage.h"
#include "FileListViewLite.h"
#include "FilterPage.h"
#include "FolderKeys.h"
#include "FormMessage.h"
#include "FormRepair.h"
#include "FormRes.h"
#include "FrmBatchMove.h"
#include "Hint.h"
#include "HourglassCursor.h"
#include "JoinPath.h"
#include "Logo.h"
#include "NoTableBrowser.h"
#include "OpenHelp.h"
#include "ProfileFile.h"
#include "RecordGridModel.h"
#include "SearchPage.h"
#include "SpecialPage.h"
#include "SqlPage.h"
#include "TDBFReader.h"
#include "TableShortcutList.h"
#include "dataset/Table.h"
#include "storage/Drivers.h"

namespace {

const QString kWorkingParm = QStringLiteral("WorkingParm");
const QString kDataBasePath = QStringLiteral("DataBasePath");
const QString kPredefinedTable = QStringLiteral("PredefinedTable");
// The code page the user chose per table file, by its full path.
const QString kCodePages = QStringLiteral("CodePages");

QToolButton* speedButton(QWidget* parent, const char* name, QStyle::StandardPixmap glyph, const char* themeIcon,
                         const QString& hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(true);
    button->setFixedSize(30, 30);
    button->setIconSize(QSize(20, 20));
    button->setIcon(QIcon::fromTheme(QString::fromLatin1(themeIcon), parent->style()->standardIcon(glyph)));
    if (!hint.isEmpty()) {
        SetHint(button, hint);
    }
    return button;
}

// Whether `folder` holds a file (not a folder) whose name matches `pattern`.
bool folderHoldsFile(const QString& folder, const QString& pattern) {
    QDir dir(folder);
    dir.setNameFilters({pattern});
    // Without QDir::CaseSensitive the pattern matches without regard to case.
    dir.setFilter(QDir::Files | QDir::Hidden);
    return !dir.entryList().isEmpty();
}

}  // namespace

TFormMain::TFormMain(QString iniFileName, QString firstArgument, QWidget* parent)
    : QMainWindow(parent),
      IniFileName(std::move(iniFileName)),
      MessageHolder(MainWindowMessages()),
      Table(std::make_unique<TNoTableBrowser>()),
      firstArgument_(std::move(firstArgument)) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
    resize(800, 560);
    CentreOnScreen(this);
    buildLeftPanel();
    buildRightPanel();
    SplitterV = new QSplitter(Qt::Horizontal, this);
    SplitterV->setObjectName(QStringLiteral("SplitterV"));
    SplitterV->setHandleWidth(3);
    SplitterV->addWidget(PanelLeft);
    SplitterV->addWidget(PanelCli);
    SplitterV->setStretchFactor(1, 1);
    SplitterV->setSizes({184, 616});
    setCentralWidget(SplitterV);
    statusBar()->setSizeGripEnabled(true);
    LabelCodePage = new QLabel(this);
    LabelCodePage->setObjectName(QStringLiteral("LabelCodePage"));
    BtnCodePage = new QToolButton(this);
    BtnCodePage->setObjectName(QStringLiteral("BtnCodePage"));
    BtnCodePage->setText(tr("Code page..."));
    BtnCodePage->setToolTip(tr("Reopen the table in another code page"));
    BtnSetCodePage = new QToolButton(this);
    BtnSetCodePage->setObjectName(QStringLiteral("BtnSetCodePage"));
    BtnSetCodePage->setText(tr("Set code page..."));
    BtnSetCodePage->setToolTip(tr("Store another code page in the table's header"));
    statusBar()->addPermanentWidget(LabelCodePage);
    statusBar()->addPermanentWidget(BtnCodePage);
    statusBar()->addPermanentWidget(BtnSetCodePage);
    connect(BtnCodePage, &QToolButton::clicked, this, &TFormMain::BtnCodePageClick);
    connect(BtnSetCodePage, &QToolButton::clicked, this, &TFormMain::BtnSetCodePageClick);

    PanelCli->setEnabled(false);
    setPageVisible(TabSheetFields, false);
    setPageVisible(TabSheetFilter, false);
    setPageVisible(TabSheetSearch, false);
    applyControlState();
}

TFormMain::~TFormMain() = default;

void TFormMain::buildLeftPanel() {
    PanelLeft = new QWidget(this);
    PanelLeft->setObjectName(QStringLiteral("PanelLeft"));
    auto* left = new QVBoxLayout(PanelLeft);
    left->setContentsMargins(4, 4, 4, 4);

    auto* panelB = new QHBoxLayout;
    BtnList = speedButton(PanelLeft, "BtnList", QStyle::SP_FileDialogListView, "view-list-text", {});
    BtnReport = speedButton(PanelLeft, "BtnReport", QStyle::SP_FileDialogDetailedView, "view-list-details", {});
    BtnSmall = speedButton(PanelLeft, "BtnSmall", QStyle::SP_FileDialogContentsView, "view-list-compact", {});
    BtnBig = speedButton(PanelLeft, "BtnBig", QStyle::SP_FileDialogInfoView, "view-list-icons", {});
    BtnHelp = new QToolButton(PanelLeft);
    BtnHelp->setObjectName(QStringLiteral("BtnHelp"));
    BtnHelp->setText(QStringLiteral("?"));
    BtnHelp->setFixedSize(30, 30);
    QFont helpFont(QStringLiteral("Times New Roman"));
    helpFont.setPixelSize(24);
    helpFont.setBold(true);
    helpFont.setItalic(true);
    BtnHelp->setFont(helpFont);
    for (QToolButton* button : {BtnList, BtnReport, BtnSmall, BtnBig}) {
        panelB->addWidget(button);
        connect(button, &QToolButton::clicked, this, &TFormMain::BtnViewStyleClick);
    }
    panelB->addStretch();
    panelB->addWidget(BtnHelp);
    connect(BtnHelp, &QToolButton::clicked, this, &TFormMain::BtnHelpClick);
    left->addLayout(panelB);

    DirectoryCombo = new TDirectoryComboLite(PanelLeft);
    DirectoryCombo->setObjectName(QStringLiteral("DirectoryCombo"));
    left->addWidget(DirectoryCombo);

    SplitterH = new QSplitter(Qt::Vertical, PanelLeft);
    SplitterH->setObjectName(QStringLiteral("SplitterH"));
    FileListView = new TFileListViewLite(SplitterH);
    FileListView->setObjectName(QStringLiteral("FileListView"));
    FileListView->setMask(QStringLiteral("*.DB;*.DBF;*.TXT"));
    FileListView->setViewIconStyle(visList);
    FileListView->setNetWorkEnabled(true);
    FileListView->setPoPupMenuEnabled(false);
    FileListView->setAutoUpdate(false);
    FileListView->setDragMode(true);
    FileListView->setDirCombo(DirectoryCombo);
    ListTabDef = new TTableShortcutList(SplitterH);
    SplitterH->addWidget(FileListView);
    SplitterH->addWidget(ListTabDef);
    SplitterH->setStretchFactor(0, 1);
    SplitterH->setSizes({300, 129});
    left->addWidget(SplitterH, 1);

    connect(DirectoryCombo, &TDirectoryComboLite::DirectoryChange, this,
            [this](QObject* sender, const QString& oldKey, const QString& newKey, bool) {
                DirectoryComboDirectoryChange(sender, oldKey, newKey);
            });
    connect(FileListView, &TFileListViewLite::SelectionChange, this, &TFormMain::FileListViewChange);
    connect(FileListView, &TFileListViewLite::FileSelect, this, &TFormMain::FileListViewFileSelect);
    connect(ListTabDef, &QListWidget::itemSelectionChanged, this, &TFormMain::ListTabDefClick);
    connect(ListTabDef, &QListWidget::itemDoubleClicked, this, &TFormMain::ListTabDefDblClick);
}

void TFormMain::buildRightPanel() {
    PanelCli = new QWidget(this);
    PanelCli->setObjectName(QStringLiteral("PanelCli"));
    auto* right = new QVBoxLayout(PanelCli);
    right->setContentsMargins(0, 0, 0, 0);

    auto* panelTop = new QWidget(PanelCli);
    panelTop->setObjectName(QStringLiteral("PanelTop"));
    panelTop->setFixedHeight(40);
    auto* top = new QHBoxLayout(panelTop);
    top->setContentsMargins(0, 0, 8, 0);
    auto* toolbar = new QWidget(panelTop);
    toolbar->setFixedSize(250, 40);
    BtnOpen = speedButton(toolbar, "BtnOpen", QStyle::SP_DialogOpenButton, "document-open", "|Open Table");
    BtnClose = speedButton(toolbar, "BtnClose", QStyle::SP_DialogCloseButton, "document-close", "|Close Table");
    BtnEdit = speedButton(toolbar, "BtnEdit", QStyle::SP_FileDialogContentsView, "document-edit", "|Edit Table");
    BtnPost = speedButton(toolbar, "BtnPost", QStyle::SP_DialogSaveButton, "document-save", "|Post Changes");
    BtnCancel = speedButton(toolbar, "BtnCancel", QStyle::SP_DialogCancelButton, "edit-undo", "|Cancel Changes");
    BtnRefresh = speedButton(toolbar, "BtnRefresh", QStyle::SP_BrowserReload, "view-refresh", "|Refresh Data");
    const QList<QPair<QToolButton*, int>> lefts = {{BtnOpen, 8},   {BtnClose, 40},   {BtnEdit, 108},
                                                   {BtnPost, 140}, {BtnCancel, 172}, {BtnRefresh, 216}};
    for (const auto& [button, x] : lefts) {
        button->move(x, 5);
    }
    connect(BtnOpen, &QToolButton::clicked, this, &TFormMain::BtnOpenClick);
    connect(BtnClose, &QToolButton::clicked, this, [this] { closeTableAsking(); });
    connect(BtnEdit, &QToolButton::clicked, this, &TFormMain::BtnEditClick);
    connect(BtnPost, &QToolButton::clicked, this, &TFormMain::BtnPostClick);
    connect(BtnCancel, &QToolButton::clicked, this, &TFormMain::BtnCancelClick);
    connect(BtnRefresh, &QToolButton::clicked, this, &TFormMain::BtnRefreshClick);
    ImageLogo = new QLabel(panelTop);
    ImageLogo->setObjectName(QStringLiteral("ImageLogo"));
    ImageLogo->setPixmap(TabulonLogo(34));
    ImageLogo->setCursor(Qt::PointingHandCursor);
    ImageLogo->installEventFilter(this);
    top->addWidget(toolbar);
    top->addStretch();
    top->addWidget(ImageLogo);
    right->addWidget(panelTop);

    PageControl = new QTabWidget(PanelCli);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    TabSheetData = new QWidget(PageControl);
    TabSheetData->setObjectName(QStringLiteral("TabSheetData"));
    DBGrid = new TDBGrid(TabSheetData);
    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    DBGrid->installEventFilter(this);
    connect(DBGrid, &QTableView::doubleClicked, this, &TFormMain::showCellValue);
    auto* data = new QVBoxLayout(TabSheetData);
    data->setContentsMargins(0, 0, 0, 0);
    data->addWidget(DBGrid);
    buildTablePages();
    // The saved queries live beside the settings, wherever those had to go.
    TabSheetSQL = new TSqlPage(
        JoinPath(QFileInfo(IniFileName).absolutePath(), QString::fromLatin1(TQueryManager::kStoreFileName)),
        {MessageHolder.message(16), MessageHolder.message(17), MessageHolder.message(18)},
        [this] { return DirectoryCombo->Directory(); }, PageControl);
    TabSheetSpecial = new TSpecialPage(PageControl);
    PageControl->addTab(TabSheetData, QStringLiteral("Data"));
    PageControl->addTab(TabSheetFields, QStringLiteral("Fields"));
    PageControl->addTab(TabSheetFilter, QStringLiteral("Filter"));
    PageControl->addTab(TabSheetSearch, QStringLiteral("Search"));
    PageControl->addTab(TabSheetSQL, QStringLiteral("SQL"));
    PageControl->addTab(TabSheetSpecial, QStringLiteral("Special"));
    right->addWidget(PageControl, 1);
    connect(PageControl, &QTabWidget::currentChanged, this, &TFormMain::PageControlChange);
    connect(TabSheetSQL->BtnHelpSQL, &QPushButton::clicked, this,
            [this] { OpenHelp(this, QString::fromLatin1(kHelpSql)); });
}

void TFormMain::buildTablePages() {
    TabSheetFields =
        new tabulon::FieldsPage({MessageHolder.message(0), MessageHolder.message(1), MessageHolder.message(2),
                                 MessageHolder.message(3), MessageHolder.message(4)},
                                PageControl);
    TabSheetFilter = new tabulon::FilterPage(*TabSheetFields->StringGridFields, PageControl);
    TabSheetSearch = new tabulon::SearchPage(MessageHolder.message(6), PageControl);
    TabSheetFields->SetButtonsEnabled(false);
    // The grid shows the same table as the pages: it reads it anew when they change its view.
    connect(TabSheetFilter, &tabulon::FilterPage::viewChanged, this, &TFormMain::gridViewChanged);
    connect(TabSheetSearch, &tabulon::SearchPage::tableReopened, this, &TFormMain::gridViewChanged);
    connect(TabSheetSearch, &tabulon::SearchPage::recordMoved, this, &TFormMain::followTableRecord);
}

void TFormMain::gridViewChanged() {
    Table->viewChanged();
    selectFirstRow();
}

void TFormMain::selectFirstRow() {
    QAbstractItemModel* model = DBGrid->model();
    if (model != nullptr && model->rowCount() > 0) {
        DBGrid->setCurrentIndex(model->index(0, 0));
    }
}

void TFormMain::followTableRecord() {
    const int row = Table->tableMoved();
    if (row >= 0) {
        DBGrid->setCurrentIndex(DBGrid->model()->index(row, std::max(DBGrid->currentIndex().column(), 0)));
    }
}

void TFormMain::PageControlChange() {
    TabSheetFields->SetButtonsEnabled(BtnClose->isEnabled() && PageControl->currentWidget() == TabSheetFields);
}

void TFormMain::setTableBrowser(std::unique_ptr<TTableBrowser> browser) {
    BtnCloseClick();
    Table = std::move(browser);
    applyControlState();
}

TControlState TFormMain::controlState() const {
    return ControlStateFor(tableState_, Table->cachedUpdates(), QFileInfo(TableFile).isFile());
}

void TFormMain::setPageVisible(QWidget* page, bool visible) {
    PageControl->setTabVisible(PageControl->indexOf(page), visible);
}

void TFormMain::applyControlState() {
    const TControlState c = controlState();
    BtnOpen->setEnabled(c.open);
    BtnClose->setEnabled(c.close);
    BtnEdit->setEnabled(c.edit);
    BtnPost->setEnabled(c.post);
    BtnCancel->setEnabled(c.cancel);
    BtnRefresh->setEnabled(c.refresh);
    BtnCodePage->setEnabled(c.close);
    BtnSetCodePage->setEnabled(c.close && c.tableBoundSpecial);
    showCodePage();
    DBGrid->setReadOnly(!c.gridEditable);
    setPageVisible(TabSheetFields, c.fieldsPage);
    setPageVisible(TabSheetFilter, c.filterAndSearchPages);
    setPageVisible(TabSheetSearch, c.filterAndSearchPages);
    setPageVisible(TabSheetSpecial, c.specialPage);
    for (QWidget* control : TabSheetSpecial->tableBoundControls()) {
        control->setEnabled(c.tableBoundSpecial);
    }
    for (QWidget* control : TabSheetSpecial->fileBoundControls()) {
        control->setEnabled(c.fileBoundSpecial);
    }
}

void TFormMain::setTableState(TTableState state) {
    tableState_ = state;
    Table->setEditing(state == TTableState::Editing);
    applyControlState();
}

void TFormMain::enablePanelCliFor(const QString& folder, bool textTablesCount) {
    PanelCli->setEnabled(folderHoldsFile(folder, QStringLiteral("*.DB*")) ||
                         (textTablesCount && folderHoldsFile(folder, QStringLiteral("*.TXT"))));
}

void TFormMain::ConnectDatabase() {
    Table->disconnect();
    Table->connectTo(DatabasePath);
}

void TFormMain::DirectoryComboDirectoryChange(QObject*, const QString& oldKey, const QString& newKey) {
    if (revertingFolder_) {
        return;
    }
    if (!settlePendingChanges()) {
        revertingFolder_ = true;
        DirectoryCombo->SetDirectory(oldKey);
        revertingFolder_ = false;
        return;
    }
    BtnCloseClick();
    DatabasePath = newKey;
    if (folderkeys::IsSpecialView(newKey)) {
        // The desktop, volumes, network and trash views hold no tables of their own.
        Table->disconnect();
        PanelCli->setEnabled(false);
    } else {
        ConnectDatabase();
        enablePanelCliFor(DatabasePath, false);
    }
    statusBar()->showMessage(DatabasePath);
}

void TFormMain::FileListViewChange() {
    if (!controlState().open) {
        return;
    }
    TableFile = FileListView->SelectedPath();
    const bool exists = QFileInfo(TableFile).isFile();
    setWindowTitle(exists ? QStringLiteral("Tabulon - ") + TableFile : QString::fromUtf8(kApplicationTitle));
    applyControlState();
}

void TFormMain::FileListViewFileSelect(const QString& path) {
    if (path.isEmpty() || !closeTableAsking()) {
        return;
    }
    TableFile = path;
    if (controlState().open) {
        BtnOpenClick();
    }
}

void TFormMain::BtnOpenClick() {
    PageControl->setCurrentWidget(TabSheetData);
    OpenSelectedTable();
    if (!Table->isOpen()) {
        return;
    }
    setWindowTitle(QStringLiteral("Tabulon - ") + TableFile);
    showGridModel(Table->model());
    if (!Table->capabilities().write) {
        setTableState(TTableState::TextTableOpen);
        return;
    }
    try {
        setTableState(TTableState::TableOpen);
        prepareTablePages();
    } catch (const std::exception& error) {
        ShowFailure(QStringLiteral("Error!"), ErrorText(error));
        BtnCloseClick();
    }
}

void TFormMain::prepareTablePages() {
    tabulon::Table* table = Table->datasetTable();
    if (table == nullptr) {
        return;
    }
    TabSheetSearch->TableOpened(*table, TableFile);
    TabSheetFields->Fill(*table, TableFile);
    TabSheetFilter->SetTable(table);
    TabSheetFilter->FillFilterFieldCombos();
    TabSheetFields->SetButtonsEnabled(true);
}

void TFormMain::clearTablePages() {
    TabSheetFilter->TableClosed();
    TabSheetSearch->TableClosed();
    TabSheetFields->Clear();
    TabSheetFields->SetButtonsEnabled(false);
}

void TFormMain::OpenSelectedTable() {
    const QFileInfo file(TableFile);
    const QString name = file.fileName();
    if (name.isEmpty() || !name.contains(u'.')) {
        return;
    }
    DatabasePath = file.absolutePath();
    enablePanelCliFor(DatabasePath, true);
    ConnectDatabase();
    if (Table->isConnected()) {
        std::optional<THourglassCursor> hourglass;
        if (PageControl->currentWidget() == TabSheetData) {
            hourglass.emplace();
        }
        Table->close();
        Table->setEncoding(TProfileFile(IniFileName).readString(kCodePages, TableFile, QString()));
        if (Table->open(name, true)) {
            statusBar()->showMessage(TableFile);
        } else if (const QString cachedError = Table->openError(); Table->open(name, false)) {
            hourglass.reset();
            ShowFailure(MessageHolder.message(22), cachedError);
            statusBar()->showMessage(TableFile);
        } else {
            const QString why = Table->openError();
            statusBar()->showMessage(why.isEmpty() ? MessageHolder.message(5)
                                                   : MessageHolder.message(5) + QLatin1Char(' ') + why);
        }
    }
    if (Table->isOpen() && Table->capabilities().indexFiles) {
        openProductionIndex();
    }
}

void TFormMain::openProductionIndex() {
    // Only the index the header names is the table's own: an .MDX of the same name left from
    // before would hold keys of other records.
    tabulon::TDBFReader header;
    if (!header.ReadHeader(TableFile.toStdString()) || !header.HasProductionIndex()) {
        return;
    }
    // The production index carries the table's name; its extension follows the table's case.
    const QString base = QFileInfo(TableFile).completeBaseName();
    for (const QString& suffix : {QStringLiteral(".MDX"), QStringLiteral(".mdx")}) {
        if (QFileInfo::exists(JoinPath(DatabasePath, base + suffix))) {
            Table->openIndexFile(base + suffix);
            break;
        }
    }
}

void TFormMain::showGridModel(QAbstractItemModel* model) {
    // The view makes a new selection model for each model and leaves the old one to its caller.
    QItemSelectionModel* old = DBGrid->selectionModel();
    DBGrid->setModel(model);
    delete old;
    if (model != nullptr) {
        connect(DBGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex& current) { Table->currentRowChanged(current.row()); });
        DBGrid->fitColumns();
        selectFirstRow();
    }
}

void TFormMain::showCellValue(const QModelIndex& index) {
    const auto type = static_cast<tabulon::FieldType>(index.data(TRecordGridModel::kFieldTypeRole).toInt());
    if (!tabulon::isBlobType(type)) {
        return;
    }
    const bool memo = type == tabulon::ftMemo || type == tabulon::ftFmtMemo;
    const TCellValueDialog::Kind kind = memo                         ? TCellValueDialog::Kind::Memo
                                        : type == tabulon::ftGraphic ? TCellValueDialog::Kind::Graphic
                                                                     : TCellValueDialog::Kind::Binary;
    const QString field = DBGrid->model()->headerData(index.column(), Qt::Horizontal).toString();
    TCellValueDialog dialog(field, kind, index.data(TRecordGridModel::kValueRole), controlState().gridEditable, this);
    if (dialog.exec() == QDialog::Accepted && memo && controlState().gridEditable) {
        DBGrid->model()->setData(index, dialog.memoText(), TRecordGridModel::kValueRole);
    }
}

void TFormMain::gridFocusLeft() {
    const QWidget* focus = QApplication::focusWidget();
    if (focus != DBGrid && !DBGrid->isAncestorOf(focus)) {
        Table->leaveGrid();
    }
}

void TFormMain::BtnCloseClick() {
    PageControl->setCurrentWidget(TabSheetData);
    clearTablePages();
    showGridModel(nullptr);
    Table->close();
    setTableState(TTableState::NoTable);
}

void TFormMain::showCodePage() {
    tabulon::Table* table = Table->isOpen() ? Table->datasetTable() : nullptr;
    if (table == nullptr) {
        LabelCodePage->clear();
        return;
    }
    const tabulon::TableFacts facts = table->storage().facts();
    LabelCodePage->setText(
        QStringLiteral("%1 (%2)").arg(QString::fromStdString(facts.codePage),
                                      QString::fromLatin1(tabulon::codePageSourceName(facts.codePageSource).data())));
    LabelCodePage->setToolTip(QString::fromStdString(facts.codePageNote));
}

void TFormMain::BtnCodePageClick() {
    const QString current = LabelCodePage->text().section(u' ', 0, 0);
    // The table is closed while the previews read it in each code page.
    if (!closeTableAsking()) return;
    TCodePageDialog dialog(TableFile.toStdString(), current, this);
    if (dialog.exec() == QDialog::Accepted && !dialog.codePage().isEmpty())
        TProfileFile(IniFileName).writeString(kCodePages, TableFile, dialog.codePage());
    BtnOpenClick();
}

void TFormMain::BtnSetCodePageClick() {
    const QString current = LabelCodePage->text().section(u' ', 0, 0);
    if (!closeTableAsking()) return;
    TCodePageDialog dialog(TableFile.toStdString(), current, this);
    dialog.setWindowTitle(tr("Set code page"));
    const QString chosen = dialog.exec() == QDialog::Accepted ? dialog.codePage() : QString();
    if (!chosen.isEmpty() &&
        AskDialog(
            tr("Store %1 as the code page in the header of %2? Only that changes in the file.").arg(chosen, TableFile),
            TMsgDlgType::mtConfirmation, mbYesNo) == mrYes) {
        try {
            const std::filesystem::path path = TableFile.toStdString();
            tabulon::driverForPath(path).storeCodePage(path, chosen.toStdString());
            // The header now says it: a choice kept for the table would only hide it.
            TProfileFile(IniFileName).writeString(kCodePages, TableFile, QString());
        } catch (const std::exception& error) {
            ShowFailure(tr("Set code page"), ErrorText(error));
        }
    }
    BtnOpenClick();
}

void TFormMain::BtnEditClick() { setTableState(TTableState::Editing); }

bool TFormMain::BtnPostClick() {
    // What the open cell editor shows is part of what is posted.
    DBGrid->postEditor();
    if (Table->cachedUpdates()) {
        try {
            Table->applyUpdates();
        } catch (const std::exception& error) {
            // The cache is kept and the window stays editing, so the user can correct or cancel.
            ShowFailure(MessageHolder.message(7), ErrorText(error));
            return false;
        }
    }
    setTableState(TTableState::TableOpen);
    Table->refresh();
    return true;
}

void TFormMain::BtnCancelClick() {
    DBGrid->dropEditor();
    Table->cancelUpdates();
    setTableState(TTableState::TableOpen);
}

void TFormMain::BtnRefreshClick() {
    BtnCancelClick();
    Table->refresh();
}

bool TFormMain::settlePendingChanges() {
    if (tableState_ == TTableState::Editing) {
        DBGrid->postEditor();
    }
    if (tableState_ != TTableState::Editing || !Table->hasPendingChanges()) {
        return true;
    }
    switch (AskDialog(QStringLiteral("Post the changes made to %1?").arg(TableFile), TMsgDlgType::mtConfirmation,
                      mbYesNoCancel)) {
        case mrYes:
            return BtnPostClick();
        case mrNo:
            Table->cancelUpdates();
            return true;
        default:
            return false;
    }
}

bool TFormMain::closeTableAsking() {
    if (!settlePendingChanges()) {
        return false;
    }
    if (controlState().close) {
        BtnCloseClick();
    }
    return true;
}

void TFormMain::ListTabDefClick() {
    if (!controlState().open) {
        return;
    }
    const QString path = ListTabDef->selectedPath();
    if (path.isEmpty()) {
        return;
    }
    TableFile = path;
    statusBar()->showMessage(TableFile);
}

void TFormMain::ListTabDefDblClick() {
    const QString path = ListTabDef->selectedPath();
    if (path.isEmpty() || !closeTableAsking()) {
        return;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (folderkeys::FolderOrDriveExists(folder)) {
        DirectoryCombo->SetDirectory(folder);
    }
    TableFile = path;
    if (controlState().open) {
        BtnOpenClick();
    }
}

void TFormMain::setDataMod(TDataMod& dataMod) { TabSheetSpecial->ConnectCommands(*this, dataMod); }

QString TFormMain::Message(int n) const { return MessageHolder.message(n); }

QString TFormMain::SelectedTable() const { return TableFile; }

bool TFormMain::TableActive() const { return BtnClose->isEnabled(); }

QString TFormMain::TableFilter() const {
    tabulon::Table* table = Table->datasetTable();
    return table == nullptr ? QString() : QString::fromStdString(table->filter());
}

void TFormMain::LeaveEditMode() {
    if (!BtnEdit->isEnabled() && BtnPost->isEnabled()) {
        BtnCancelClick();
    }
}

void TFormMain::SetTableActive(bool active) {
    // Opening and closing show the Data page; the command's page stays in front.
    QWidget* page = PageControl->currentWidget();
    if (active && controlState().open) {
        BtnOpenClick();
    } else if (!active && controlState().close) {
        BtnCloseClick();
    }
    PageControl->setCurrentWidget(page);
}

void TFormMain::TableRenamed(const QString& tableFile, bool open) {
    TableFile = tableFile;
    setWindowTitle(QStringLiteral("Tabulon - ") + TableFile);
    RefreshFileList();
    applyControlState();
    SetTableActive(open);
}

void TFormMain::RefreshFileList() {
    const QString selected = TableFile;
    FileListView->ReadDirectory();
    FileListView->SelectFile(selected);
    TableFile = selected;
    applyControlState();
}

tabulon::Table* TFormMain::OpenTable() { return Table->datasetTable(); }

void TFormMain::TableRecordsChanged() { gridViewChanged(); }

void TFormMain::ShowBatchMove() {
    if (batchMove_ != nullptr) {
        batchMove_->ShowForFolder(DirectoryCombo->Directory(), QFileInfo(TableFile).fileName(),
                                  FileListView->ViewIconStyle());
    }
}

void TFormMain::ShowRestructure() {
    if (restructure_ == nullptr) {
        return;
    }
    restructure_->DatabasePath = DirectoryCombo->Directory();
    restructure_->TableFile = TableFile;
    restructure_->exec();
}

void TFormMain::ShowVerifyRebuild() {
    if (repair_ == nullptr) {
        return;
    }
    if (TableActive()) {
        SetTableActive(false);
    }
    repair_->DatabasePath = DatabasePath;
    repair_->TableFile = TableFile;
    repair_->exec();
}

void TFormMain::BtnViewStyleClick() {
    const QObject* button = sender();
    if (button == BtnList) {
        FileListView->setViewIconStyle(visList);
    } else if (button == BtnReport) {
        FileListView->setViewIconStyle(visReport);
    } else if (button == BtnSmall) {
        FileListView->setViewIconStyle(visSmallIcon);
    } else if (button == BtnBig) {
        FileListView->setViewIconStyle(visIcon);
    }
}

void TFormMain::BtnHelpClick() { OpenHelp(this, QString::fromLatin1(kHelpMain)); }

void TFormMain::ImageLogoClick() {
    TAboutBox about(this);
    about.exec();
}

void TFormMain::DisplayHint(const QString& hint) { statusBar()->showMessage(hint); }

bool TFormMain::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        DisplayHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ImageLogo && event->type() == QEvent::MouseButtonRelease) {
        ImageLogoClick();
        return true;
    }
    if (watched == DBGrid && event->type() == QEvent::FocusOut) {
        // The focus has moved by the time this runs, so it can be told where it went.
        QTimer::singleShot(0, this, &TFormMain::gridFocusLeft);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::ReadSettings() {
    const TProfileFile ini(IniFileName);
    const QString oldFolder = DatabasePath;
    DirectoryCombo->SetDirectory(ini.readString(kWorkingParm, kDataBasePath, QDir::homePath()));
    if (DatabasePath.isEmpty()) {
        // The saved folder was the combo's own, so no change was reported; connect to it anyway.
        DirectoryComboDirectoryChange(DirectoryCombo, oldFolder, DirectoryCombo->Directory());
    }
    const QStringList captions = ini.readKeyNames(kPredefinedTable);
    QStringList paths;
    for (const QString& caption : captions) {
        paths << ini.readString(kPredefinedTable, caption, QStringLiteral("/"));
    }
    ListTabDef->setShortcuts(captions, paths);
}

void TFormMain::WriteSettings() {
    TProfileFile ini(IniFileName);
    ini.writeString(kWorkingParm, kDataBasePath, DirectoryCombo->Directory());
    ini.eraseSection(kPredefinedTable);
    const QStringList captions = ListTabDef->captions();
    for (int i = 0; i < ListTabDef->PredefinedPaths.size(); ++i) {
        ini.writeString(kPredefinedTable, captions.value(i), ListTabDef->PredefinedPaths.at(i));
    }
}

void TFormMain::FormShow() {
    ReadSettings();
    const QString argument = firstArgument_.isEmpty() ? QString() : QFileInfo(firstArgument_).absoluteFilePath();
    if (!argument.isEmpty()) {
        const QString folder = firstArgument_.endsWith(u'/') ? argument : QFileInfo(argument).absolutePath();
        DirectoryCombo->SetDirectory(folder);
    }
    FileListView->setReadEnabled(true);
    FileListView->ReadDirectory();
    if (!argument.isEmpty() && QFileInfo(argument).isFile()) {
        FileListView->SelectFile(argument);
        TableFile = FileListView->SelectedPath();
        if (controlState().close) {
            BtnCloseClick();
        }
        if (controlState().open) {
            BtnOpenClick();
        }
    }
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (!closeTableAsking()) {
        event->ignore();
        return;
    }
    Table->disconnect();
    try {
        WriteSettings();
    } catch (const std::exception& error) {
        // The window closes all the same; the user has been told the settings were not kept.
        ShowErrorReport(ErrorText(error));
    }
    event->accept();
}
