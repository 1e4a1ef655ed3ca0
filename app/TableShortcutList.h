#pragma once
// The table shortcut list: named shortcuts to table files anywhere on disk. Each item's caption
// stands at the same position as its table path in PredefinedPaths; every operation changes both.
// Files are added by dragging them from a file list; the popup menu renames, deletes and clears.
// Interface thread only; no throws.
#include <QListWidget>

class QMenu;
class QAction;
class TFileListViewLite;

class TTableShortcutList : public QListWidget {
    Q_OBJECT
public:
    explicit TTableShortcutList(QWidget* parent = nullptr);

    // The caption for a table path: its two folders' names and its name without extension,
    // joined by "."; a folder that is the root gives an empty name.
    static QString ShortcutCaption(const QString& path);

    // Whether a drag from `source` may drop here: only file lists qualify.
    static bool acceptsDragFrom(QObject* source);
    // Adds a shortcut for the file selected in `list` and selects it.
    void addFrom(const TFileListViewLite& list);
    void addShortcut(const QString& caption, const QString& path);
    // Replaces every shortcut.
    void setShortcuts(const QStringList& captions, const QStringList& paths);
    QStringList captions() const;
    // The table path of the selected shortcut; empty when none is selected.
    QString selectedPath() const;

    QStringList PredefinedPaths;
    QMenu* PopupMenuList;
    QAction* PopItemCaption;
    QAction* PopItemDelete;
    QAction* PopItemClear;

public slots:
    void PopItemCaptionClick();
    void PopItemDeleteClick();
    void PopItemClearClick();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
