#include "DirectoryComboLite.h"

#include <QDir>
#include <QFileIconProvider>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "FileListViewLite.h"
#include "FolderKeys.h"
#include "HourglassCursor.h"
#include "Volumes.h"

namespace {

// Draws each entry at its indentation.
class TIndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem indented(option);
        indented.rect.adjust(index.data(TDirectoryComboLite::IndentRole).toInt() + 2, 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), 16));
        return size;
    }
};

QFileIconProvider& icons() {
    static QFileIconProvider provider;
    return provider;
}

}  // namespace

TDirectoryComboLite::TDirectoryComboLite(QWidget* parent) : QComboBox(parent), directory_(QDir::currentPath()) {
    setItemDelegate(new TIndentDelegate(this));
    setIconSize(QSize(16, 16));
    buildBaseEntries();
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!updating_) {
            SetDirectory(entryKey(index));
        }
    });
}

QString TDirectoryComboLite::entryKey(int index) const { return itemData(index, KeyRole).toString(); }

int TDirectoryComboLite::entryIndent(int index) const { return itemData(index, IndentRole).toInt(); }

int TDirectoryComboLite::indexOfKey(const QString& key) const {
    for (int i = 0; i < count(); ++i) {
        if (folderkeys::SameKey(entryKey(i), key)) {
            return i;
        }
    }
    return -1;
}

void TDirectoryComboLite::addEntry(int at, const QIcon& icon, int indent, const QString& key, const QString& text) {
    insertItem(at, icon, text);
    setItemData(at, key, KeyRole);
    setItemData(at, indent, IndentRole);
}

void TDirectoryComboLite::buildBaseEntries() {
    const THourglassCursor hourglass;
    const bool wasUpdating = std::exchange(updating_, true);
    clear();
    anchor_ = -1;
    addEntry(count(), icons().icon(QFileIconProvider::Desktop), 0, folderkeys::kDesktop, QStringLiteral("Desktop"));
    addEntry(count(), icons().icon(QFileIconProvider::Computer), 10, folderkeys::kDrives, QStringLiteral("Computer"));
    volumes_ = TVolumes::mounted();
    for (const TVolume& volume : volumes_) {
        addEntry(count(), icons().icon(QFileIconProvider::Drive), 20, volume.rootPath,
                 volume.displayName == volume.rootPath
                     ? volume.rootPath
                     : QStringLiteral("%1 (%2)").arg(volume.displayName, volume.rootPath));
    }
    addEntry(count(), icons().icon(QFileIconProvider::Network), 10, folderkeys::kNetwork, QStringLiteral("Network"));
    addEntry(count(), icons().icon(QFileIconProvider::Trashcan), 10, folderkeys::kRecycled, QStringLiteral("Trash"));
    updating_ = wasUpdating;
    showDirectoryPath();
}

void TDirectoryComboLite::showDirectoryPath() {
    const bool wasUpdating = std::exchange(updating_, true);
    if (anchor_ >= 0) {
        while (anchor_ + 1 < count() && entryIndent(anchor_ + 1) > 20) {
            removeItem(anchor_ + 1);
        }
    }
    QString anchorKey;
    if (folderkeys::IsSpecialView(directory_)) {
        anchorKey = directory_;
    } else {
        anchorKey = TVolumes::rootOf(QDir::cleanPath(directory_), volumes_);
    }
    anchor_ = indexOfKey(anchorKey);
    if (anchor_ >= 0 && !folderkeys::IsSpecialView(directory_)) {
        QStringList folders;
        for (QString path = QDir::cleanPath(directory_); path.size() > anchorKey.size();
             path = QFileInfo(path).path()) {
            folders.prepend(path);
        }
        int indent = 30;
        int at = anchor_ + 1;
        for (const QString& folder : folders) {
            const bool current = folder == folders.last();
            const QIcon icon = icons().icon(QFileIconProvider::Folder);
            addEntry(at++, current ? QIcon(icon.pixmap(16, QIcon::Normal, QIcon::On)) : icon, indent, folder,
                     QFileInfo(folder).fileName());
            indent += 10;
        }
    }
    updating_ = wasUpdating;
    selectCurrent();
}

void TDirectoryComboLite::selectCurrent() {
    const bool wasUpdating = std::exchange(updating_, true);
    setCurrentIndex(indexOfKey(directory_));
    updating_ = wasUpdating;
}

void TDirectoryComboLite::SetDirectory(const QString& requested) {
    const QString oldKey = directory_;
    const QString key = folderkeys::Canonical(requested);
    if (folderkeys::SameKey(key, directory_)) {
        selectCurrent();
        return;
    }
    if (const std::optional<QString> taken = folderkeys::Taken(key)) {
        directory_ = *taken;
        if (folderkeys::IsSpecialView(directory_)) {
            buildBaseEntries();
        } else {
            showDirectoryPath();
        }
    }
    emit DirectoryChange(this, oldKey, directory_, !folderkeys::SameKey(directory_, folderkeys::kDesktop));
    if (fileList_ && !folderkeys::SameKey(fileList_->Directory(), directory_)) {
        fileList_->SetDirectory(directory_);
    }
    selectCurrent();
}

void TDirectoryComboLite::GoUp() { SetDirectory(folderkeys::UpFrom(directory_)); }

void TDirectoryComboLite::setFileList(TFileListViewLite* list) {
    if (fileList_ == list) {
        return;
    }
    fileList_ = list;
    if (list != nullptr) {
        list->setDirCombo(this);
    }
}

void TDirectoryComboLite::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace) {
        GoUp();
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

TFileListViewLite* TDirectoryComboLite::fileList() const { return fileList_; }
