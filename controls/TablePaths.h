#pragma once
// Folder test, scratch table names and shortened paths for messages. Any thread.
#include <QString>

// Whether `path` names an existing folder.
bool FolderExists(const QString& path);

// Picks a table name not yet used in `folder` (empty: the system's temporary folder):
// "~" + the first four characters of `prefix` + the first free number from 0 + "." +
// `extension` (a leading dot ignored). Sets `name` to its full path and `folder` to the folder
// it lies in; returns false, changing nothing, when the folder does not exist.
bool MakeTempTableName(QString& folder, QString& name, const QString& prefix, const QString& extension);

// `path` cut to about `maximum` characters for display: the root, as much of the folders as
// fits, "..." and the file name, which is always kept whole.
QString ShortenPath(const QString& path, int maximum);
