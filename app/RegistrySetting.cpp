#include "RegistrySetting.h"

#include "JoinPath.h"
#include "ProfileFile.h"

QString ReadRegistrySetting(const QString& section, const QString& name, const QString& configFolder) {
    const TProfileFile registry(JoinPath(configFolder, QString::fromLatin1(kRegistryFileName)));
    return registry.readString(QString::fromLatin1(kRegistryKeyPrefix) + section, name, QString());
}
