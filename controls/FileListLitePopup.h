#pragma once
// The file list's popup menu: open, view style, sort, send to, rename, delete and new folder,
// in the list's language. On opening it checks the current view and sort items and shows the
// entry items or the folder items by whether an entry is selected. Interface thread only.
#include <QMenu>

class TFileListViewLite;

class TFileListLitePopup : public QMenu {
    Q_OBJECT
public:
    explicit TFileListLitePopup(TFileListViewLite* list);

    // Builds the items anew with the texts of the set at `stringBase`.
    void Rebuild(int stringBase);
    // Checks, shows and hides the items for the list's present state and rebuilds the send-to
    // items; run each time the menu opens.
    void Prepare();
    // The item named `name` (the items' object names), or nullptr.
    QAction* item(const QString& name) const;

    // The user's send-to folder: desktop entries and links to folders, beside the settings.
    static QString sendToFolder();

private:
    QAction* addItem(QMenu* menu, const QString& name, const QString& text);
    void rebuildSendTo();

    TFileListViewLite* list_;
    QMenu* subMenuSend_ = nullptr;
};
