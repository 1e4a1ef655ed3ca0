#include "TablePaths.h"

#include <QDir>
#include <QFileInfo>

#include "FolderKeys.h"

bool FolderExists(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

bool MakeTempTableName(QString& folder, QString& name, const QString& prefix, const QString& extension) {
    const QString where = folder.isEmpty() ? QDir::tempPath() : folder;
    if (!FolderExists(where)) {
        return false;
    }
    const QString suffix = extension.startsWith(u'.') ? extension.mid(1) : extension;
    QString candidate;
    for (int k = 0;; ++k) {
        candidate = folderkeys::JoinFolderName(where, u'~' + prefix.left(4) + QString::number(k) + u'.' + suffix);
        if (!QFileInfo::exists(candidate)) {
            break;
        }
    }
    name = candidate;
    folder = QFileInfo(candidate).absolutePath();
    return true;
}

QString ShortenPath(const QString& path, int maximum) {
    if (maximum >= path.size()) {
        return path;
    }
    // The root of a POSIX path is its first "/"; a path without one keeps no root.
    const QString root = path.startsWith(u'/') ? QStringLiteral("/") : QString();
    QString name = QFileInfo(path).fileName();
    if (root.size() + name.size() >= path.size()) {
        return path;
    }
    name = QStringLiteral(".../") + name;
    const int keep = maximum - static_cast<int>(root.size() + name.size());
    if (keep <= 0) {
        return root + name;
    }
    return root + path.mid(root.size(), keep) + name;
}
