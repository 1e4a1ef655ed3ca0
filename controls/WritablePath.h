#pragma once
// Whether the program may write a file or folder: the user must have write access and the path
// must not be marked read-only for everybody, which the program honours even when it runs with
// rights that would let it override the mark.
#include <QFileInfo>

inline bool IsWritablePath(const QFileInfo& info) {
    // The mode bits one by one: asking for all permissions at once asks the system about the
    // user's read and execute rights too, which costs a call each for every file of a folder.
    const bool markedWritable =
        info.permission(QFile::WriteOwner) || info.permission(QFile::WriteGroup) || info.permission(QFile::WriteOther);
    return markedWritable && info.isWritable();
}

inline bool IsWritablePath(const QString& path) { return IsWritablePath(QFileInfo(path)); }
