#include "FileListLitePopup.h"

#include <QDesktopServices>
#include <QDir>
#include <QStandardPaths>
#include <QUrl>

#include "DesktopEntry.h"
#include "FileListLanguage.h"
#include "FileListViewLite.h"
#include "FolderKeys.h"

using namespace filelanguage;

namespace {

const char* const kViewItems[] = {"ItemViewIcon", "ItemViewSmal", "ItemViewList", "ItemViewRepr"};  // by style
const char* const kSortItems[] = {"ItemSortName", "ItemSortSize", "ItemSortType", "ItemSortDate", "ItemSortAttr"};

// The text a send-to item shows for the file `info` of the send-to folder.
QString sendToText(const QFileInfo& info) {
    if (info.suffix() == QStringLiteral("desktop")) {
        const std::optional<TDesktopEntry> entry = TDesktopEntry::read(info.filePath());
        if (entry && !entry->name.isEmpty()) {
            return entry->name;
        }
    }
    return info.completeBaseName();
}

}  // namespace

TFileListLitePopup::TFileListLitePopup(TFileListViewLite* list) : QMenu(list), list_(list) {
    setObjectName(QStringLiteral("TFileListLitePopup"));
    connect(this, &QMenu::aboutToShow, this, &TFileListLitePopup::Prepare);
}

QString TFileListLitePopup::sendToFolder() {
    return folderkeys::JoinFolderName(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                                      QStringLiteral("tabulon/SendTo"));
}

QAction* TFileListLitePopup::item(const QString& name) const { return findChild<QAction*>(name); }

QAction* TFileListLitePopup::addItem(QMenu* menu, const QString& name, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

void TFileListLitePopup::Rebuild(int base) {
    clear();
    qDeleteAll(findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    connect(addItem(this, QStringLiteral("SubMenuOpen"), Text(base, txOpen)), &QAction::triggered, list_,
            [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(list_->SelectedPath())); });

    QMenu* view = addMenu(Text(base, txViewStyle));
    view->menuAction()->setObjectName(QStringLiteral("SubMenuView"));
    const int viewTexts[] = {txLargeIcons, txSmallIcons, txList, txReport};
    for (int style = visIcon; style <= visReport; ++style) {
        QAction* action = addItem(view, QString::fromLatin1(kViewItems[style]), Text(base, viewTexts[style]));
        action->setCheckable(true);
        connect(action, &QAction::triggered, list_,
                [this, style] { list_->setViewIconStyle(static_cast<TViewIconStyle>(style)); });
    }

    QMenu* sort = addMenu(Text(base, txSortIcons));
    sort->menuAction()->setObjectName(QStringLiteral("SubMenuSort"));
    for (int key = sbName; key <= sbAttr; ++key) {
        QAction* action = addItem(sort, QString::fromLatin1(kSortItems[key]), Text(base, txByName + key));
        action->setCheckable(true);
        connect(action, &QAction::triggered, list_, [this, key] { list_->setSortedBy(static_cast<TSortedBy>(key)); });
    }

    subMenuSend_ = addMenu(Text(base, txSendTo));
    subMenuSend_->menuAction()->setObjectName(QStringLiteral("SubMenuSend"));
    addSeparator();
    connect(addItem(this, QStringLiteral("ItemOpRename"), Text(base, txRename)), &QAction::triggered, list_,
            &TFileListViewLite::StartRename);
    connect(addItem(this, QStringLiteral("ItemOpDelete"), Text(base, txDelete)), &QAction::triggered, list_,
            &TFileListViewLite::DeleteSelected);
    connect(addItem(this, QStringLiteral("ItemOpFolder"), Text(base, txNewFolderItem)), &QAction::triggered, list_,
            &TFileListViewLite::NewFolder);
}

void TFileListLitePopup::Prepare() {
    for (int style = visIcon; style <= visReport; ++style) {
        item(QString::fromLatin1(kViewItems[style]))->setChecked(style == list_->ViewIconStyle());
    }
    for (int key = sbName; key <= sbAttr; ++key) {
        item(QString::fromLatin1(kSortItems[key]))->setChecked(key == list_->SortedBy() % 5);
    }
    const bool selected = list_->selectedRow() >= 0;
    for (const char* name : {"SubMenuOpen", "SubMenuSend", "ItemOpRename", "ItemOpDelete"}) {
        item(QString::fromLatin1(name))->setVisible(selected);
    }
    for (const char* name : {"SubMenuView", "SubMenuSort", "ItemOpFolder"}) {
        item(QString::fromLatin1(name))->setVisible(!selected);
    }
    // The special views hold no files of their own to rename, delete or add to.
    for (const char* name : {"ItemOpRename", "ItemOpDelete", "ItemOpFolder"}) {
        item(QString::fromLatin1(name))->setEnabled(!folderkeys::IsSpecialView(list_->Directory()));
    }
    rebuildSendTo();
}

void TFileListLitePopup::rebuildSendTo() {
    subMenuSend_->clear();
    const QFileInfoList shortcuts =
        QDir(sendToFolder())
            .entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    int number = 0;
    for (const QFileInfo& info : shortcuts) {
        if (!info.isSymLink() && info.suffix() != QStringLiteral("desktop")) {
            continue;
        }
        QAction* action = addItem(subMenuSend_, QStringLiteral("SendTo%1").arg(number++), sendToText(info));
        const QString shortcut = info.filePath();
        connect(action, &QAction::triggered, list_, [this, shortcut] { list_->SendTo(shortcut); });
    }
}
