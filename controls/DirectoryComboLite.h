#pragma once
// The folder combo: the desktop, the mounted volumes, the network and the trash, with the path
// of the current folder indented below its volume. Kept in step with a linked file list.
// Interface thread only; no throws (a folder that cannot be listed is simply not taken).
#include <QComboBox>
#include <QPointer>

#include "Volumes.h"

class TFileListViewLite;

class TDirectoryComboLite : public QComboBox {
    Q_OBJECT
public:
    static constexpr int KeyRole = Qt::UserRole;
    static constexpr int IndentRole = Qt::UserRole + 1;

    explicit TDirectoryComboLite(QWidget* parent = nullptr);

    const QString& Directory() const { return directory_; }
    // Takes `key` when it is a special key or a folder that can be listed, rebuilds the entries,
    // reports the change (also when the key was not taken) and brings the linked list along.
    void SetDirectory(const QString& key);
    void GoUp();

    void setFileList(TFileListViewLite* list);
    TFileListViewLite* fileList() const;

    QString entryKey(int index) const;
    int entryIndent(int index) const;

signals:
    // sender, old folder key, new folder key, whether the new key is not the desktop
    void DirectoryChange(QObject* sender, const QString& oldKey, const QString& newKey, bool notDesktop);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildBaseEntries();
    void showDirectoryPath();
    void addEntry(int at, const QIcon& icon, int indent, const QString& key, const QString& text);
    void selectCurrent();
    int indexOfKey(const QString& key) const;

    QString directory_;
    QPointer<TFileListViewLite> fileList_;
    QList<TVolume> volumes_;  // as read with the base entries; asking again may wait on a network
    int anchor_ = -1;
    bool updating_ = false;
};
