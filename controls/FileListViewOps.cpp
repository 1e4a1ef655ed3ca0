// The file list's own file operations: delete to the trash, new folder, rename by caption,
// send to and dropped files. Each pauses the folder watcher so that it does not report them.
#include <fcntl.h>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QProcess>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "CopyIntoFolder.h"
#include "DesktopEntry.h"
#include "FileEntryModel.h"
#include "FileEntrySorter.h"
#include "FileListViewLite.h"
#include "FolderKeys.h"
#include "FolderReader.h"
#include "FormMessage.h"
#include "ShellChangeNotifyThread.h"
#include "ops/DesktopTrash.h"

namespace {

std::filesystem::path diskPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// Why `name` cannot name a file in a folder; empty when it can.
QString refusedName(const QString& name) {
    if (name == QStringLiteral(".") || name == QStringLiteral("..")) {
        return QStringLiteral("it names a folder itself");
    }
    if (name.contains(u'/') || name.contains(QChar(0))) {
        return QStringLiteral("a name cannot hold / or a null character");
    }
    return {};
}

}  // namespace

void TFileListViewLite::DeleteSelected() {
    if (inSpecialView() || directory_.isEmpty()) {
        return;
    }
    QStringList paths;
    QString caption;
    for (const QModelIndex& index : listView_->selectionModel()->selectedRows()) {
        paths << folderkeys::JoinFolderName(directory_, entry(index.row()).nameOnDisk);
        caption = entry(index.row()).caption;
    }
    if (paths.isEmpty()) {
        return;
    }
    const QString question = paths.size() == 1 ? QStringLiteral("Move %1 to the trash?").arg(caption)
                                               : QStringLiteral("Move these %1 items to the trash?").arg(paths.size());
    if (AskDialog(question, TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) {
        return;
    }
    QStringList failures;
    {
        const TShellChangeNotifyThread::Pause pause(*watcher_);
        const tabulon::DesktopTrash trash(diskPath(TFolderReader::trashFolder()));
        for (const QString& path : paths) {
            try {
                trash.moveToTrash(diskPath(path));
            } catch (const std::exception& error) {
                failures << QString::fromStdString(error.what());
            }
        }
        ReadDirectory();
        QCoreApplication::processEvents();
    }
    if (!failures.isEmpty()) {
        ShowDialog(failures.join(u'\n'));
    }
}

void TFileListViewLite::NewFolder() {
    if (inSpecialView() || directory_.isEmpty()) {
        return;
    }
    const QString text = filelanguage::Text(stringBase_, filelanguage::txNewFolder);
    QString name = text;
    for (int number = 2; QFileInfo(folderkeys::JoinFolderName(directory_, name)).exists(); ++number) {
        name = QStringLiteral("%1 %2").arg(text).arg(number);
    }
    const QString path = folderkeys::JoinFolderName(directory_, name);
    {
        const TShellChangeNotifyThread::Pause pause(*watcher_);
        if (!QDir().mkdir(path)) {
            ShowDialog(QStringLiteral("Cannot make the folder %1: %2.")
                           .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
            return;
        }
    }
    entries_.push_back(TFolderReader::entryFor(QFileInfo(path)));
    SortFileEntries(entries_, sortedBy_);
    model_->reset();
    for (int row = 0; row < ItemCount(); ++row) {
        if (entry(row).isFolder() && entry(row).nameOnDisk == name) {
            selectRow(row);
            StartRename();
            return;
        }
    }
}

void TFileListViewLite::StartRename() {
    const int row = selectedRow();
    if (row < 0 || inSpecialView()) {
        return;
    }
    renameRow_ = row;
    const QModelIndex index = model_->index(row, 0);
    model_->setEditableRow(row);
    activeView()->edit(index);
    // The name is selected without its extension, so that typing keeps the extension.
    if (auto* editor = qobject_cast<QLineEdit*>(activeView()->indexWidget(index))) {
        const TFileEntry& chosen = entry(row);
        const qsizetype dot = chosen.isFolder() ? -1 : chosen.caption.lastIndexOf(u'.');
        editor->setSelection(0, dot > 0 ? dot : chosen.caption.size());
    }
}

void TFileListViewLite::finishRename() {
    const int row = renameRow_;
    renameRow_ = -1;
    if (row < 0 || row >= ItemCount()) {
        return;
    }
    const QString caption = model_->editedCaption();
    model_->setEditableRow(-1);  // shows the entry's caption until a rename replaces it
    renameEntry(row, caption);
    // Changes on disk reported while the caption was edited are shown now.
    if (std::exchange(readPending_, false)) {
        ReadDirectory();
    }
}

void TFileListViewLite::renameEntry(int row, const QString& caption) {
    const TFileEntry old = entry(row);
    if (caption.isEmpty() || caption == old.caption) {
        return;
    }
    QString name = caption;
    const QFileInfo oldInfo(old.nameOnDisk);
    // A caption shown without its extension keeps the extension on disk.
    if (old.caption == oldInfo.completeBaseName() && !oldInfo.suffix().isEmpty() && !old.isFolder()) {
        name += u'.' + oldInfo.suffix();
    }
    const QString oldPath = folderkeys::JoinFolderName(directory_, old.nameOnDisk);
    const QString newPath = folderkeys::JoinFolderName(directory_, name);
    if (newPath == oldPath) {
        return;
    }
    QString why = refusedName(name);
    if (why.isEmpty() && (QFileInfo::exists(newPath) || QFileInfo(newPath).isSymLink())) {
        why = QStringLiteral("%1 already exists").arg(name);
    }
    if (why.isEmpty()) {
        const TShellChangeNotifyThread::Pause pause(*watcher_);
        const QByteArray from = QFile::encodeName(oldPath);
        const QByteArray to = QFile::encodeName(newPath);
        // Never replaces a file made under the new name since the check above; file systems
        // that cannot promise that get the plain rename after the check.
        int result = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        if (result != 0 && errno == EINVAL) {
            result = std::rename(from.constData(), to.constData());
        }
        if (result != 0) {
            why = errno == EEXIST ? QStringLiteral("%1 already exists").arg(name)
                                  : QString::fromLocal8Bit(std::strerror(errno));
        }
    }
    if (!why.isEmpty()) {
        ShowDialog(QStringLiteral("Cannot rename %1 to %2: %3.").arg(old.nameOnDisk, name, why));
        return;
    }
    refreshEntry(row, name);
}

void TFileListViewLite::refreshEntry(int row, const QString& name) {
    entries_[static_cast<size_t>(row)] =
        TFolderReader::entryFor(QFileInfo(folderkeys::JoinFolderName(directory_, name)));
    SortFileEntries(entries_, sortedBy_);
    model_->reset();
    for (int at = 0; at < ItemCount(); ++at) {
        if (entry(at).nameOnDisk == name) {
            selectRow(at);
            return;
        }
    }
}

void TFileListViewLite::SendTo(const QString& shortcut) {
    const QString path = SelectedPath();
    if (path.isEmpty()) {
        return;
    }
    const QFileInfo info(shortcut);
    QString target = info.isSymLink() ? info.symLinkTarget() : QString();
    QStringList command;
    if (const std::optional<TDesktopEntry> desktopEntry = TDesktopEntry::read(shortcut);
        target.isEmpty() && desktopEntry) {
        target = desktopEntry->target();
        if (desktopEntry->type == QStringLiteral("Application")) {
            command = desktopEntry->commandFor(path);
        }
    }
    if (QFileInfo(target).isDir()) {
        const TShellChangeNotifyThread::Pause pause(*watcher_);
        const QStringList failures = CopyIntoFolder({path}, target);
        if (!failures.isEmpty()) {
            ShowDialog(failures.join(u'\n'));
        }
        return;
    }
    if (command.isEmpty() && !target.isEmpty()) {
        command = {target, path};
    }
    if (command.isEmpty() || !QProcess::startDetached(command.first(), command.mid(1))) {
        ShowDialog(QStringLiteral("Cannot send %1 to %2: it names no folder or program that can be started.")
                       .arg(path, shortcut));
    }
}

void TFileListViewLite::DropFiles(const QStringList& files, const QPoint& point) {
    QString target = directory_;
    const QAbstractItemView* view = activeView();
    const QModelIndex under = view->indexAt(view->viewport()->mapFrom(this, point));
    if (under.isValid() && entry(under.row()).isFolder()) {
        target = fullPathOf(entry(under.row()));
    }
    if (!inSpecialView() && !target.isEmpty()) {
        QStringList outside;
        for (const QString& file : files) {
            if (QFileInfo(file).absolutePath() != target) {
                outside << file;
            }
        }
        QStringList failures;
        {
            const TShellChangeNotifyThread::Pause pause(*watcher_);
            failures = CopyIntoFolder(outside, target);
            ReadDirectory();
        }
        if (!failures.isEmpty()) {
            ShowDialog(failures.join(u'\n'));
        }
    }
    emit FileDrop(files, point);
}

bool TFileListViewLite::acceptsDrop(const QDropEvent* event) const {
    // Only files from other programs: the program's own drags carry entries, not file URLs.
    if (event->source() != nullptr || !event->mimeData()->hasUrls()) {
        return false;
    }
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile()) {
            return false;
        }
    }
    return true;
}
