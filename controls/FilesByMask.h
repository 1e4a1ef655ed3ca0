#pragma once
// Whole-file copy and removal by a name mask, as the table commands handle a table with its
// companion files. Neither asks anything nor shows progress. Interface thread only.
#include <QString>

// Copies every file matching `source` (a path whose name may hold the wildcards * and ?,
// matched without regard to letter case) into the folder `target`, replacing files of the same
// names there. False when nothing matches or any copy fails.
bool CopyFilesByMask(const QString& source, const QString& target);

// Moves every file matching `source` to the desktop trash, without asking. False when nothing
// matches or any file cannot be moved.
bool DeleteFilesByMask(const QString& source);
