#pragma once
// Reads the entries the file list shows: a folder's sub-folders and its files matching a mask,
// and the four special views (desktop, volumes, network mounts, trash). Unreadable folders and
// entries are left out, never reported. Interface thread only; no throws.
#include <QFileInfo>
#include <QStringList>
#include <vector>

#include "FileEntry.h"

struct TVolume;

class TFolderReader {
public:
    // The sub-folders of `folder`, then for each pattern of `mask` (split at ";", matched
    // without regard to case) the files matching it; entries with an attribute outside
    // `allowedTypes` (TFileViewTypeFlag bits) are left out. A file matching two patterns comes
    // twice.
    static std::vector<TFileEntry> readFolder(const QString& folder, const QString& mask, int allowedTypes);
    // One entry for a file or folder.
    static TFileEntry entryFor(const QFileInfo& info);

    // The special views; `stringBase` picks the language of their texts.
    static std::vector<TFileEntry> readDrives(int stringBase);
    // The drives, network and trash objects, then the desktop folder's entries, its desktop
    // entry files and symbolic links standing as links ("L") to their targets.
    static std::vector<TFileEntry> readDesktop(const QString& desktopFolder);
    static std::vector<TFileEntry> readNetwork(bool networkEnabled, int stringBase);
    // The trash's files under their original names.
    static std::vector<TFileEntry> readTrash(const QString& trashFolder, int stringBase);
    // A volume's entry in the drives view: capacity, type text and root.
    static TFileEntry driveEntry(const TVolume& volume, int stringBase);

    // "d", "r", "h", "s" letters for the attributes present, followed by one blank.
    static QString attributeCode(const QFileInfo& info);
    // A size in bytes with thousands separators, or one blank for 0.
    static QString sizeText(qint64 bytes);
    // A volume's capacity: "###,###,### Mb" over 10000 kilobytes, else "###,###,### Kb".
    static QString capacityText(qint64 kilobytes);
    // The folders that hold the user's desktop and trash.
    static QString desktopFolder();
    static QString trashFolder();
};
