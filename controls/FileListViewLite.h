#pragma once
// The file list: the current folder's sub-folders and the files matching a mask (or one of the
// special views), in four view styles with five sortable columns. Kept in step with a linked
// folder combo. Reads nothing until ReadEnabled is switched on. Its popup menu renames,
// deletes (to the trash), makes folders and sends to; it follows changes on disk while
// AutoUpdate is on and copies in files dropped from other programs.
// Interface thread only; no throws (unreadable folders are not taken, unreadable entries left out).
#include <QPointer>
#include <QWidget>
#include <vector>

#include "FileEntry.h"
#include "FileListLanguage.h"
#include "FileViewTypes.h"

class QAbstractItemView;
class QDropEvent;
class QListView;
class QTreeView;
class TFileListLitePopup;
class TFileNameEditLite;
class TShellChangeNotifyThread;
class TDirectoryComboLite;
class TFileEntryModel;

class TFileListViewLite : public QWidget {
    Q_OBJECT
public:
    explicit TFileListViewLite(QWidget* parent = nullptr);
    ~TFileListViewLite() override;

    // The file list a drag started from, or nullptr when `source` belongs to none.
    static TFileListViewLite* fromDragSource(QObject* source);

    const QString& Directory() const { return directory_; }
    void SetDirectory(const QString& key);
    void ReadDirectory();
    void GoUp();
    // Shows the folder of the existing file `path` and selects the file.
    void SelectFile(const QString& path);
    // The full path of the selected entry (a link's target when ResolveLink is on); empty when
    // nothing is selected.
    QString SelectedPath() const;
    // The file name of the selected file entry; empty for none, a folder or another object.
    QString SelectedFileName() const;
    int ItemCount() const { return static_cast<int>(entries_.size()); }
    const TFileEntry& entry(int row) const { return entries_.at(static_cast<size_t>(row)); }
    int selectedRow() const;
    void selectRow(int row);
    // Opens the selected entry: enters a folder, volume or desktop object, or reports a file.
    void OpenSelected();
    // A click on column `column`'s head (0 name to 4 attributes).
    void ColumnClick(int column);

    // The popup menu's file operations; none of them acts in a special view. Files go to the
    // desktop trash after the user confirms, never deleted outright.
    void DeleteSelected();
    // Makes "New folder" (or "New folder 2", 3 ...) and starts editing its caption.
    void NewFolder();
    // Starts editing the selected entry's caption; the file is renamed when the editing ends.
    void StartRename();
    // Copies the selected files into the folder that `shortcut` (a link or desktop entry of the
    // send-to folder) stands for, or starts its program with the selected path.
    void SendTo(const QString& shortcut);
    // Copies `files` into the folder entry under `point` (or the shown folder), then reports
    // the drop.
    void DropFiles(const QStringList& files, const QPoint& point);

    void setDirCombo(TDirectoryComboLite* combo);
    TDirectoryComboLite* dirCombo() const;
    void setFileEdit(TFileNameEditLite* edit);

    TLanguage Language() const { return language_; }
    // Takes the texts of `language`: the popup menu and the column heads anew, the folder read
    // again and the change reported.
    void setLanguage(TLanguage language);
    int stringBase() const { return stringBase_; }
    bool PoPupMenuEnabled() const { return popupMenuEnabled_; }
    void setPoPupMenuEnabled(bool on) { popupMenuEnabled_ = on; }
    TFileListLitePopup* popupMenu() const { return popup_; }
    bool AutoUpdate() const { return autoUpdate_; }
    void setAutoUpdate(bool on);
    TShellChangeNotifyThread* watcher() const { return watcher_; }

    const QString& Mask() const { return mask_; }
    void setMask(const QString& mask);
    TViewIconStyle ViewIconStyle() const { return viewIconStyle_; }
    void setViewIconStyle(TViewIconStyle style);
    TSortedBy SortedBy() const { return sortedBy_; }
    void setSortedBy(TSortedBy sortedBy);
    int FileViewType() const { return fileViewType_; }
    void setFileViewType(int types) { fileViewType_ = types; }
    bool ReadEnabled() const { return readEnabled_; }
    void setReadEnabled(bool on) { readEnabled_ = on; }
    void setNetWorkEnabled(bool on) { netWorkEnabled_ = on; }
    void setResolveLink(bool on) { resolveLink_ = on; }
    void setExecuteOpen(bool on) { executeOpen_ = on; }
    // Lets entries be dragged onto the program's own drop targets.
    void setDragMode(bool automatic);
    qint64 totalSize() const { return totalSize_; }

    QListView* listView() const { return listView_; }
    QTreeView* reportView() const { return reportView_; }

signals:
    void AfterRead();
    void ViewChange();
    void FileSelect(const QString& path);
    void DirectoryChange(QObject* sender, const QString& oldKey, const QString& newKey, bool notDesktop);
    void SelectionChange();
    // Files from another program were dropped at `point` (in the list's coordinates).
    void FileDrop(const QStringList& files, const QPoint& point);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sorts and shows the entries, selecting again the one named `selected` on disk.
    void sortEntries(const QString& selected);
    QString selectedName() const;
    void applyViewStyle();
    QAbstractItemView* activeView() const;
    QString fullPathOf(const TFileEntry& entry) const;
    bool inSpecialView() const;
    void setColumnHeads();
    // The folder whose changes the shown entries follow; empty for none.
    QString watchedFolder() const;
    void showPopup(QAbstractItemView* view, const QPoint& at);
    // Leaves a folder that vanished or became unreadable for its nearest readable parent.
    bool leaveLostFolder();
    void finishRename();
    // Renames the entry at `row` after its caption was edited to `caption`.
    void renameEntry(int row, const QString& caption);
    void refreshEntry(int row, const QString& name);
    bool acceptsDrop(const QDropEvent* event) const;

    TFileEntryModel* model_;
    QListView* listView_;
    QTreeView* reportView_;
    std::vector<TFileEntry> entries_;
    QPointer<TDirectoryComboLite> dirCombo_;
    QPointer<TFileNameEditLite> fileEdit_;
    TFileListLitePopup* popup_;
    TShellChangeNotifyThread* watcher_;
    TLanguage language_ = lnUserDefault;
    int stringBase_;
    int renameRow_ = -1;        // the entry whose caption is being edited
    bool readPending_ = false;  // the folder changed while a caption was edited
    QString directory_;
    QString shownDirectory_;  // the folder the entries were read from
    QString mask_ = QStringLiteral("*.*");
    int fileViewType_ = kAllFileViewTypes;
    TSortedBy sortedBy_ = sbName;
    TViewIconStyle viewIconStyle_ = visList;
    int lastClickedColumn_ = -1;
    bool readEnabled_ = false;
    bool netWorkEnabled_ = false;
    bool resolveLink_ = false;
    bool executeOpen_ = false;
    bool popupMenuEnabled_ = true;
    bool autoUpdate_ = true;
    qint64 totalSize_ = 0;
};
