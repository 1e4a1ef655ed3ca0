#include "SettingsLocation.h"

#include <QDir>
#include <QStandardPaths>

#include "JoinPath.h"
#include "WritablePath.h"

QString TSettingsLocation::userConfigFolder() {
    return JoinPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation), QStringLiteral("tabulon"));
}

QString TSettingsLocation::programFilesFolder(const QString& executableFolder, const QString& configFolder) {
    // Installed programs live in folders their users cannot write; the settings then move to
    // the user's own configuration, which is created on demand.
    if (IsWritablePath(executableFolder)) {
        return executableFolder;
    }
    QDir().mkpath(configFolder);
    return configFolder;
}

QString TSettingsLocation::settingsFilePath(const QString& executableFolder, const QString& configFolder) {
    return JoinPath(programFilesFolder(executableFolder, configFolder), QString::fromLatin1(kSettingsFileName));
}
