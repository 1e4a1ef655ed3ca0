#pragma once
// Whether the program may write a file or folder: the user must have write access and the path
// must not be marked read-only for everybody, which the program honours even when it runs with
// rights that would let it override the mark.
#include <QFileInfo>

inline bool IsWritablePath(const QFileInfo& info) {
    constexpr auto anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return info.isWritable() && (info.permissions() & anyWrite) != 0;
}

inline bool IsWritablePath(const QString& path) { return IsWritablePath(QFileInfo(path)); }
