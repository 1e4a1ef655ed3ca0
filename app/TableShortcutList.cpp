#include "TableShortcutList.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>

#include "FileListViewLite.h"
#include "FormGetCap.h"

namespace {

// The last name of `folder`; empty for the root.
QString lastName(const QString& folder) { return QFileInfo(folder).fileName(); }

}  // namespace

TTableShortcutList::TTableShortcutList(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("ListTabDef"));
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    PopupMenuList = new QMenu(this);
    PopupMenuList->setObjectName(QStringLiteral("PopupMenuList"));
    PopItemCaption =
        PopupMenuList->addAction(QStringLiteral("Caption"), this, &TTableShortcutList::PopItemCaptionClick);
    PopItemDelete = PopupMenuList->addAction(QStringLiteral("Delete"), this, &TTableShortcutList::PopItemDeleteClick);
    PopupMenuList->addSeparator();
    PopItemClear = PopupMenuList->addAction(QStringLiteral("Clear"), this, &TTableShortcutList::PopItemClearClick);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenuList->popup(viewport()->mapToGlobal(at)); });
}

QString TTableShortcutList::ShortcutCaption(const QString& path) {
    const QFileInfo file(path);
    const QString d1 = QDir::cleanPath(file.absolutePath());
    const QString d2 = d1 == QStringLiteral("/") ? d1 : QFileInfo(d1).path();
    return lastName(d2) + u'.' + lastName(d1) + u'.' + file.completeBaseName();
}

bool TTableShortcutList::acceptsDragFrom(QObject* source) {
    return TFileListViewLite::fromDragSource(source) != nullptr;
}

void TTableShortcutList::addShortcut(const QString& caption, const QString& path) {
    PredefinedPaths.append(path);
    addItem(caption);
    setCurrentRow(count() - 1);
}

void TTableShortcutList::addFrom(const TFileListViewLite& list) {
    const QString path = list.SelectedPath();
    if (!path.isEmpty()) {
        addShortcut(ShortcutCaption(path), path);
    }
}

void TTableShortcutList::setShortcuts(const QStringList& captions, const QStringList& paths) {
    clear();
    addItems(captions);
    PredefinedPaths = paths;
}

QStringList TTableShortcutList::captions() const {
    QStringList texts;
    for (int i = 0; i < count(); ++i) {
        texts << item(i)->text();
    }
    return texts;
}

QString TTableShortcutList::selectedPath() const {
    const int row = currentRow();
    return row >= 0 && row < PredefinedPaths.size() && currentItem()->isSelected() ? PredefinedPaths.at(row)
                                                                                   : QString();
}

void TTableShortcutList::PopItemCaptionClick() {
    QListWidgetItem* selected = currentItem();
    if (count() == 0 || selected == nullptr || !selected->isSelected()) {
        return;
    }
    TFormGetCap form(this);
    form.EditCaption->setText(selected->text());
    if (form.exec() == QDialog::Accepted) {
        const QString caption = form.EditCaption->text();
        selected->setText(caption.isEmpty() ? QStringLiteral("NoName") : caption);
    }
}

void TTableShortcutList::PopItemDeleteClick() {
    QListWidgetItem* selected = currentItem();
    if (count() == 0 || selected == nullptr || !selected->isSelected()) {
        return;
    }
    const int row = currentRow();
    PredefinedPaths.removeAt(row);
    delete takeItem(row);
}

void TTableShortcutList::PopItemClearClick() {
    clear();
    PredefinedPaths.clear();
}

void TTableShortcutList::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptsDragFrom(event->source())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TTableShortcutList::dragMoveEvent(QDragMoveEvent* event) {
    if (acceptsDragFrom(event->source())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TTableShortcutList::dropEvent(QDropEvent* event) {
    if (const TFileListViewLite* list = TFileListViewLite::fromDragSource(event->source())) {
        addFrom(*list);
        event->acceptProposedAction();
    }
}
