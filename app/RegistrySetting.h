#pragma once
// Per-user settings kept under a key path, read-only for the program. They live in the profile
// file "registry.ini" of the user's configuration folder, one section per key path, e.g.
//   [Software\Corvalen\Kilnwatch V 1.0\Application Settings]
//   HelpTML Path=/usr/bin/firefox
// Never throws: a missing file, section or value reads as an empty string. Interface thread only.
#include <QString>

#include "SettingsLocation.h"

inline constexpr const char* kRegistryKeyPrefix = "Software\\Corvalen\\Kilnwatch V 1.0\\";
inline constexpr const char* kRegistryFileName = "registry.ini";

// The value `name` under the key made of the program's key prefix and `section`.
QString ReadRegistrySetting(const QString& section, const QString& name,
                            const QString& configFolder = TSettingsLocation::userConfigFolder());
