#include "FolderKeys.h"

#include <QDir>
#include <QFileInfo>

namespace folderkeys {

namespace {

bool sameIgnoringCase(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

bool IsSpecialView(const QString& key) {
    return sameIgnoringCase(key, kDesktop) || sameIgnoringCase(key, kDrives) || sameIgnoringCase(key, kNetwork) ||
           sameIgnoringCase(key, kRecycled);
}

// Folder names on this system differ by case, so only the special keys ignore it.
bool SameKey(const QString& a, const QString& b) {
    if (IsSpecialView(a) || IsSpecialView(b)) {
        return sameIgnoringCase(a, b);
    }
    return a == b;
}

QString Canonical(const QString& key) {
    if (key == QStringLiteral("\\\\") || key == QStringLiteral("//")) {
        return kNetwork;
    }
    for (const QString& special : {kDesktop, kDrives, kNetwork, kRecycled}) {
        if (sameIgnoringCase(key, special)) {
            return special;
        }
    }
    return key;
}

QString JoinFolderName(const QString& folder, const QString& name) {
    if (folder.isEmpty()) {
        return {};
    }
    return QStringLiteral("%1%2%3").arg(folder, folder.endsWith(u'/') ? QString() : QStringLiteral("/"), name);
}

bool FolderOrDriveExists(const QString& path) {
    const QFileInfo info(path);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

std::optional<QString> Taken(const QString& key) {
    if (IsSpecialView(key)) {
        return Canonical(key);
    }
    if (FolderOrDriveExists(key)) {
        return QDir::cleanPath(QDir(key).absolutePath());
    }
    return std::nullopt;
}

QString UpFrom(const QString& key) {
    if (SameKey(key, kDesktop)) {
        return kDesktop;
    }
    if (IsSpecialView(key)) {
        return kDesktop;
    }
    const QString clean = QDir::cleanPath(key);
    // Volumes nest on this system, so only the root of everything leads to the volumes view;
    // any other folder, a mount point too, leads to its parent.
    if (clean == QStringLiteral("/")) {
        return kDrives;
    }
    return QFileInfo(clean).path();
}

}  // namespace folderkeys
