#pragma once
// Folder keys of the folder combo and file list: a folder path, or one of the four special keys
// (the desktop, the mounted volumes, the network mounts, the trash); the special keys are
// compared without regard to case, folder paths exactly. Plain functions over strings and the file system; interface
// thread only; no throws.
#include <QString>
#include <optional>

namespace folderkeys {

inline const QString kDesktop = QStringLiteral("DeskTop");
inline const QString kDrives = QStringLiteral("Drives");
inline const QString kNetwork = QStringLiteral("NetWork");
inline const QString kRecycled = QStringLiteral("Recycled");

bool SameKey(const QString& a, const QString& b);
// One of the four special keys.
bool IsSpecialView(const QString& key);
// The special key in its usual spelling, or `key` itself when it is a folder. The network root
// written as two slashes or backslashes reads as the network key.
QString Canonical(const QString& key);
// The folder and the name joined by one separator; an empty folder gives an empty result.
QString JoinFolderName(const QString& folder, const QString& name);
// A folder that exists and can be listed.
bool FolderOrDriveExists(const QString& path);
// The key a control takes when asked for `key`: a special key as it is, a folder that can be
// listed as its clean absolute path; nothing for anything else.
std::optional<QString> Taken(const QString& key);
// Where GoUp leads from `key`.
QString UpFrom(const QString& key);

}  // namespace folderkeys
