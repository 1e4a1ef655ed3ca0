#pragma once
// Joins a folder and a name with one separator; an empty folder gives an empty result rather
// than the bare name, so a missing folder never turns into a path relative to the working folder.
#include <QString>

inline QString JoinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty()) {
        return {};
    }
    return QStringLiteral("%1%2%3").arg(folder, folder.endsWith(u'/') ? QString() : QStringLiteral("/"), name);
}
