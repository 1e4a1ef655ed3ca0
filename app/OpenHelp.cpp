#include "OpenHelp.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>

#include "FormMessage.h"
#include "JoinPath.h"
#include "RegistrySetting.h"
#include "SettingsLocation.h"

THelpServices THelpServices::system() {
    const QString helpFolder = TSettingsLocation::helpFolder(QCoreApplication::applicationDirPath());
    return {helpFolder, TSettingsLocation::userConfigFolder(),
            [](const QString& program, const QStringList& arguments, const QString& folder) {
                return QProcess::startDetached(program, arguments, folder);
            },
            [](const QUrl& url) { return QDesktopServices::openUrl(url); },
            [](const QString& text) { ShowDialog(text); }};
}

void OpenHelp(QWidget* /*owner*/, const QString& helpFileName, const THelpServices& services) {
    const QString viewer = ReadRegistrySetting(QStringLiteral("Application Settings"), QStringLiteral("HelpTML Path"),
                                               services.configFolder);
    const QFileInfo viewerInfo(viewer);
    if (!viewer.isEmpty() && viewerInfo.isFile() &&
        services.startProgram(viewer, {helpFileName}, services.helpFolder)) {
        return;
    }
    const QString page = JoinPath(services.helpFolder, helpFileName);
    if (QFileInfo(page).isFile() && services.openUrl(QUrl::fromLocalFile(page))) {
        return;
    }
    services.showDialog(QStringLiteral("Can't open Help File!"));
}
