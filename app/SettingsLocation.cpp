#include "SettingsLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "JoinPath.h"
#include "WritablePath.h"

QString TSettingsLocation::userConfigFolder() {
    return JoinPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation), QStringLiteral("tabulon"));
}

QString TSettingsLocation::installedDataFolder(const QString& executableFolder) {
    const QString folder = QDir::cleanPath(JoinPath(executableFolder, QStringLiteral(TABULON_DATA_FROM_BIN)));
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString TSettingsLocation::helpFolder(const QString& executableFolder) {
    const QString installed = installedDataFolder(executableFolder);
    return installed.isEmpty() ? executableFolder : JoinPath(installed, QStringLiteral("help"));
}

QString TSettingsLocation::programFilesFolder(const QString& executableFolder, const QString& configFolder) {
    // An installed program's folder is shared by every user (and writable by root), and other
    // programs' folders are often not writable; the settings then live in the user's own
    // configuration, which is created on demand.
    if (installedDataFolder(executableFolder).isEmpty() && IsWritablePath(executableFolder)) {
        return executableFolder;
    }
    QDir().mkpath(configFolder);
    return configFolder;
}

QString TSettingsLocation::settingsFilePath(const QString& executableFolder, const QString& configFolder) {
    return JoinPath(programFilesFolder(executableFolder, configFolder), QString::fromLatin1(kSettingsFileName));
}
