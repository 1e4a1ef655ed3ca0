#pragma once
// Joins a folder and a name with one separator; an empty folder gives an empty result rather
// than the bare name, so a missing folder never turns into a path relative to the working folder.
// The file controls join the same way.
#include <QString>

#include "FolderKeys.h"

inline QString JoinPath(const QString& folder, const QString& name) { return folderkeys::JoinFolderName(folder, name); }
