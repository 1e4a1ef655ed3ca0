#pragma once
// Where the program keeps its files: the settings file "Vendrake.INI" beside the executable when
// the program runs from a folder it can write that is not an installation, otherwise in the
// user's configuration folder, which also holds the per-user settings (the help viewer). The help
// pages sit beside the executable in the build folder and in the data folder once installed.
// Plain path arithmetic; interface thread only.
#include <QString>

class TSettingsLocation {
public:
    static constexpr const char* kSettingsFileName = "Vendrake.INI";

    // The user's configuration folder for this program ("$XDG_CONFIG_HOME/tabulon").
    static QString userConfigFolder();
    // The installed program's data folder ("<prefix>/share/tabulon" for "<prefix>/bin"), or empty
    // when the executable's folder is not part of an installation.
    static QString installedDataFolder(const QString& executableFolder);
    // The folder that holds the help pages.
    static QString helpFolder(const QString& executableFolder);
    // The folder for the program's own files, given the executable's folder.
    static QString programFilesFolder(const QString& executableFolder,
                                      const QString& configFolder = userConfigFolder());
    // The settings file's full path.
    static QString settingsFilePath(const QString& executableFolder, const QString& configFolder = userConfigFolder());
};
