#include "FileListViewLite.h"

#include <QDesktopServices>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMimeData>
#include <QProcess>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include "DesktopEntry.h"
#include "DirectoryComboLite.h"
#include "FileEntryModel.h"
#include "FileEntrySorter.h"
#include "FileListLitePopup.h"
#include "FileNameEditLite.h"
#include "FolderKeys.h"
#include "FolderReader.h"
#include "FormMessage.h"
#include "HourglassCursor.h"
#include "ShellChangeNotifyThread.h"

namespace {

const int kColumnWidths[] = {135, 60, 125, 120, 50};

template <typename View>
void setUpView(View* view, TFileEntryModel* model) {
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
}

}  // namespace

TFileListViewLite::TFileListViewLite(QWidget* parent)
    : QWidget(parent),
      model_(new TFileEntryModel(entries_, this)),
      listView_(new QListView(this)),
      reportView_(new QTreeView(this)),
      popup_(new TFileListLitePopup(this)),
      watcher_(new TShellChangeNotifyThread(this)),
      stringBase_(filelanguage::StringBase(language_)) {
    setColumnHeads();
    popup_->Rebuild(stringBase_);
    connect(watcher_, &TShellChangeNotifyThread::Changed, this, [this] {
        // Reading now would close the caption editor and lose what the user typed.
        if (renameRow_ >= 0) {
            readPending_ = true;
        } else {
            ReadDirectory();
        }
    });
    setUpView(listView_, model_);
    setUpView(reportView_, model_);
    reportView_->setSelectionModel(listView_->selectionModel());
    reportView_->setRootIsDecorated(false);
    reportView_->setItemsExpandable(false);
    reportView_->setUniformRowHeights(true);
    listView_->setLayoutMode(QListView::Batched);  // thousands of entries are laid out in steps
    for (int column = 0; column < 5; ++column) {
        reportView_->setColumnWidth(column, kColumnWidths[column]);
    }
    reportView_->header()->setSectionsClickable(true);
    reportView_->header()->setSortIndicatorShown(true);
    connect(reportView_->header(), &QHeaderView::sectionClicked, this, &TFileListViewLite::ColumnClick);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(listView_);
    layout->addWidget(reportView_);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(listView_), static_cast<QAbstractItemView*>(reportView_)}) {
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
        view->viewport()->setAcceptDrops(true);
        connect(view, &QAbstractItemView::doubleClicked, this, [this] { OpenSelected(); });
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& at) { showPopup(view, at); });
        connect(view->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, &TFileListViewLite::finishRename);
    }
    connect(listView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TFileListViewLite::SelectionChange);
    connect(this, &TFileListViewLite::SelectionChange, this, [this] {
        if (fileEdit_ && !SelectedFileName().isEmpty()) {
            fileEdit_->setText(SelectedFileName());
        }
    });
    applyViewStyle();
}

// A caption editor still open closes while the views go, after the entries have gone.
TFileListViewLite::~TFileListViewLite() {
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(listView_), static_cast<QAbstractItemView*>(reportView_)}) {
        disconnect(view->itemDelegate(), nullptr, this, nullptr);
    }
}

TFileListViewLite* TFileListViewLite::fromDragSource(QObject* source) {
    for (QObject* object = source; object != nullptr; object = object->parent()) {
        if (auto* list = qobject_cast<TFileListViewLite*>(object)) {
            return list;
        }
    }
    return nullptr;
}

bool TFileListViewLite::inSpecialView() const { return folderkeys::IsSpecialView(directory_); }

QAbstractItemView* TFileListViewLite::activeView() const {
    return viewIconStyle_ == visReport ? static_cast<QAbstractItemView*>(reportView_)
                                       : static_cast<QAbstractItemView*>(listView_);
}

void TFileListViewLite::setDirCombo(TDirectoryComboLite* combo) {
    if (dirCombo_ == combo) {
        return;
    }
    dirCombo_ = combo;
    if (combo == nullptr) {
        return;
    }
    combo->setFileList(this);
    if (directory_.isEmpty()) {
        directory_ = combo->Directory();
    }
}

void TFileListViewLite::setFileEdit(TFileNameEditLite* edit) {
    if (fileEdit_ == edit) {
        return;
    }
    fileEdit_ = edit;
    if (edit != nullptr) {
        edit->setFileList(this);
    }
}

void TFileListViewLite::setColumnHeads() {
    using namespace filelanguage;
    model_->setHeads({Text(stringBase_, txName), Text(stringBase_, txSize), Text(stringBase_, txType),
                      Text(stringBase_, txLastModify), Text(stringBase_, txAttr)});
}

void TFileListViewLite::setLanguage(TLanguage language) {
    language_ = language;
    stringBase_ = filelanguage::StringBase(language);
    popup_->Rebuild(stringBase_);
    setColumnHeads();
    ReadDirectory();
    emit DirectoryChange(this, QString(), directory_, !folderkeys::SameKey(directory_, folderkeys::kDesktop));
}

void TFileListViewLite::setAutoUpdate(bool on) {
    autoUpdate_ = on;
    watcher_->setEnabled(on);
}

void TFileListViewLite::showPopup(QAbstractItemView* view, const QPoint& at) {
    if (popupMenuEnabled_) {
        popup_->popup(view->viewport()->mapToGlobal(at));
    }
}

void TFileListViewLite::SetDirectory(const QString& requested) {
    const QString key = folderkeys::Canonical(requested);
    if (folderkeys::SameKey(key, directory_)) {
        return;
    }
    const QString oldKey = directory_;
    if (const std::optional<QString> taken = folderkeys::Taken(key)) {
        directory_ = *taken;
        ReadDirectory();
    } else if (QFileInfo(key).isDir()) {
        ShowDialog(QStringLiteral("Cannot open the folder %1: you may not read it.").arg(key));
    }
    emit DirectoryChange(this, oldKey, directory_, !folderkeys::SameKey(directory_, folderkeys::kDesktop));
    if (dirCombo_ && !folderkeys::SameKey(dirCombo_->Directory(), directory_)) {
        dirCombo_->SetDirectory(directory_);
    }
}

void TFileListViewLite::ReadDirectory() {
    if (!readEnabled_) {
        return;
    }
    if (leaveLostFolder()) {
        return;  // the parent has been read
    }
    const THourglassCursor hourglass;
    // A re-read of the same folder (F5, a change on disk) keeps the selected entry.
    const QString selected = shownDirectory_ == directory_ ? selectedName() : QString();
    shownDirectory_ = directory_;
    if (folderkeys::SameKey(directory_, folderkeys::kDesktop)) {
        entries_ = TFolderReader::readDesktop(TFolderReader::desktopFolder());
    } else if (folderkeys::SameKey(directory_, folderkeys::kDrives)) {
        entries_ = TFolderReader::readDrives(stringBase_);
    } else if (folderkeys::SameKey(directory_, folderkeys::kNetwork)) {
        entries_ = TFolderReader::readNetwork(netWorkEnabled_, stringBase_);
    } else if (folderkeys::SameKey(directory_, folderkeys::kRecycled)) {
        entries_ = TFolderReader::readTrash(TFolderReader::trashFolder(), stringBase_);
    } else {
        entries_ = TFolderReader::readFolder(directory_, mask_, fileViewType_);
    }
    watcher_->setFolder(watchedFolder());
    watcher_->setEnabled(autoUpdate_);
    totalSize_ = 0;
    for (const TFileEntry& entry : entries_) {
        totalSize_ += entry.sizeBytes;
    }
    sortEntries(selected);
    emit AfterRead();
}

QString TFileListViewLite::watchedFolder() const {
    if (folderkeys::SameKey(directory_, folderkeys::kDesktop)) {
        return TFolderReader::desktopFolder();
    }
    if (folderkeys::SameKey(directory_, folderkeys::kRecycled)) {
        return folderkeys::JoinFolderName(TFolderReader::trashFolder(), QStringLiteral("files"));
    }
    return inSpecialView() ? QString() : directory_;
}

bool TFileListViewLite::leaveLostFolder() {
    if (directory_.isEmpty() || inSpecialView() || folderkeys::FolderOrDriveExists(directory_)) {
        return false;
    }
    const QString lost = directory_;
    QString parent = lost;
    while (!folderkeys::FolderOrDriveExists(parent) && parent != QStringLiteral("/")) {
        parent = folderkeys::UpFrom(parent);
    }
    directory_ = parent;
    ReadDirectory();
    emit DirectoryChange(this, lost, directory_, true);
    if (dirCombo_ && !folderkeys::SameKey(dirCombo_->Directory(), directory_)) {
        dirCombo_->SetDirectory(directory_);
    }
    const bool gone = !QFileInfo::exists(lost);
    ShowDialog(QStringLiteral("The folder %1 %2; the list shows %3 instead.")
                   .arg(lost, gone ? QStringLiteral("no longer exists") : QStringLiteral("can no longer be read"),
                        directory_));
    return true;
}

void TFileListViewLite::sortEntries(const QString& selected) {
    const THourglassCursor hourglass;
    SortFileEntries(entries_, sortedBy_);
    model_->reset();
    reportView_->header()->setSortIndicator(sortedBy_ % 5,
                                            sortedBy_ >= sbNameInv ? Qt::DescendingOrder : Qt::AscendingOrder);
    if (selected.isEmpty()) {
        return;
    }
    for (int row = 0; row < ItemCount(); ++row) {
        if (entry(row).nameOnDisk == selected) {
            selectRow(row);
            return;
        }
    }
}

QString TFileListViewLite::selectedName() const {
    const int row = selectedRow();
    return row < 0 || row >= ItemCount() ? QString() : entry(row).nameOnDisk;
}

void TFileListViewLite::applyViewStyle() {
    listView_->setVisible(viewIconStyle_ != visReport);
    reportView_->setVisible(viewIconStyle_ == visReport);
    switch (viewIconStyle_) {
        case visIcon:
            listView_->setViewMode(QListView::IconMode);
            listView_->setIconSize(QSize(32, 32));
            listView_->setGridSize(QSize(80, 64));
            listView_->setMovement(QListView::Static);
            break;
        case visSmallIcon:
            listView_->setViewMode(QListView::ListMode);
            listView_->setIconSize(QSize(16, 16));
            listView_->setGridSize(QSize());
            listView_->setFlow(QListView::LeftToRight);
            listView_->setWrapping(true);
            break;
        case visList:
        case visReport:
            listView_->setViewMode(QListView::ListMode);
            listView_->setIconSize(QSize(16, 16));
            listView_->setGridSize(QSize());
            listView_->setFlow(QListView::TopToBottom);
            listView_->setWrapping(true);
            break;
    }
    listView_->setResizeMode(QListView::Adjust);
}

void TFileListViewLite::setViewIconStyle(TViewIconStyle style) {
    viewIconStyle_ = style;
    applyViewStyle();
    sortEntries(selectedName());
    emit ViewChange();
}

void TFileListViewLite::setSortedBy(TSortedBy sortedBy) {
    sortedBy_ = sortedBy;
    sortEntries(selectedName());
}

void TFileListViewLite::setMask(const QString& mask) {
    mask_ = mask;
    ReadDirectory();
}

void TFileListViewLite::setDragMode(bool automatic) {
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(listView_), static_cast<QAbstractItemView*>(reportView_)}) {
        view->setDragEnabled(automatic);
        view->setDragDropMode(automatic ? QAbstractItemView::DragOnly : QAbstractItemView::NoDragDrop);
    }
}

void TFileListViewLite::ColumnClick(int column) {
    if (column < 0 || column > 4) {
        return;
    }
    const bool descending = column == lastClickedColumn_ && sortedBy_ == column;
    lastClickedColumn_ = column;
    setSortedBy(static_cast<TSortedBy>(column + (descending ? 5 : 0)));
}

void TFileListViewLite::GoUp() { SetDirectory(folderkeys::UpFrom(directory_)); }

int TFileListViewLite::selectedRow() const {
    const QModelIndexList rows = listView_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TFileListViewLite::selectRow(int row) {
    if (row < 0 || row >= ItemCount()) {
        listView_->selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = model_->index(row, 0);
    listView_->selectionModel()->setCurrentIndex(index,
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    activeView()->scrollTo(index);
}

QString TFileListViewLite::fullPathOf(const TFileEntry& entry) const {
    if (resolveLink_ && entry.isLink()) {
        return entry.linkTarget;
    }
    if (inSpecialView()) {
        return entry.nameOnDisk;
    }
    return folderkeys::JoinFolderName(directory_, entry.nameOnDisk);
}

QString TFileListViewLite::SelectedPath() const {
    const int row = selectedRow();
    return row < 0 ? QString() : fullPathOf(entry(row));
}

QString TFileListViewLite::SelectedFileName() const {
    const int row = selectedRow();
    if (row < 0 || !entry(row).isFile()) {
        return {};
    }
    return QFileInfo(entry(row).nameOnDisk).fileName();
}

void TFileListViewLite::SelectFile(const QString& path) {
    const QFileInfo info(path);
    if (SelectedPath() == path || !info.isFile()) {
        return;
    }
    SetDirectory(info.absolutePath());
    for (int row = 0; row < ItemCount(); ++row) {
        if (entry(row).caption.startsWith(info.fileName(), Qt::CaseInsensitive)) {
            selectRow(row);
            return;
        }
    }
}

void TFileListViewLite::OpenSelected() {
    const int row = selectedRow();
    if (row < 0) {
        return;
    }
    const TFileEntry chosen = entry(row);
    if (chosen.attributes == QStringLiteral("X") || chosen.attributes == QStringLiteral("U")) {
        SetDirectory(chosen.nameOnDisk);
    } else if (chosen.isLink()) {
        const std::optional<TDesktopEntry> launcher = chosen.nameOnDisk.endsWith(QStringLiteral(".desktop"))
                                                          ? TDesktopEntry::read(chosen.nameOnDisk)
                                                          : std::nullopt;
        if (launcher && launcher->type == QStringLiteral("Application")) {
            // A program's desktop entry starts the program by its own command line.
            const QStringList command = launcher->commandFor(QString());
            if (!command.isEmpty()) {
                QProcess::startDetached(command.first(), command.mid(1));
            }
        } else if (QFileInfo(chosen.linkTarget).isFile()) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(chosen.linkTarget));
        } else {
            SetDirectory(chosen.linkTarget);
        }
        emit FileSelect(SelectedPath());
    } else if (chosen.isFolder()) {
        SetDirectory(inSpecialView() ? chosen.nameOnDisk : folderkeys::JoinFolderName(directory_, chosen.nameOnDisk));
    } else if (chosen.attributes == QStringLiteral("N")) {
        ReadDirectory();
    } else if (executeOpen_) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(SelectedPath()));
    } else {
        emit FileSelect(SelectedPath());
    }
}

bool TFileListViewLite::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (!acceptsDrop(drag)) {
                return false;
            }
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (!acceptsDrop(drop)) {
                return false;
            }
            QStringList files;
            for (const QUrl& url : drop->mimeData()->urls()) {
                files << url.toLocalFile();
            }
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            DropFiles(files, static_cast<QWidget*>(watched)->mapTo(this, drop->position().toPoint()));
            return true;
        }
        default:
            break;
    }
    if (event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Backspace:
                GoUp();
                return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                OpenSelected();
                return true;
            case Qt::Key_F5:
                ReadDirectory();
                return true;
            case Qt::Key_Delete:
                DeleteSelected();
                return true;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

TDirectoryComboLite* TFileListViewLite::dirCombo() const { return dirCombo_; }
