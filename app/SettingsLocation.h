#pragma once
// Where the program keeps its files: the settings file "Vendrake.INI" beside the executable when
// that folder can be written, otherwise in the user's configuration folder, which also holds the
// per-user settings (the help viewer). Plain path arithmetic; interface thread only.
#include <QString>

class TSettingsLocation {
public:
    static constexpr const char* kSettingsFileName = "Vendrake.INI";

    // The user's configuration folder for this program ("$XDG_CONFIG_HOME/tabulon").
    static QString userConfigFolder();
    // The folder for the program's own files, given the executable's folder.
    static QString programFilesFolder(const QString& executableFolder,
                                      const QString& configFolder = userConfigFolder());
    // The settings file's full path.
    static QString settingsFilePath(const QString& executableFolder, const QString& configFolder = userConfigFolder());
};
