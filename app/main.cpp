// Tabulon: browse and maintain Paradox, dBase and text tables.
#include "FormQuery.h"
#include "FormSplit.h"
#include "ProgramObjects.h"
#include "SettingsLocation.h"
#include "TabulonApplication.h"

int main(int argc, char** argv) {
    TTabulonApplication app(argc, argv);
    // The splash frees itself when its timer closes it, once the message loop runs.
    auto* splash = new TFormSplit;
    splash->show();
    TTabulonApplication::processEvents();

    const QStringList arguments = TTabulonApplication::arguments();
    TProgramObjects objects(TSettingsLocation::settingsFilePath(TTabulonApplication::applicationDirPath()),
                            arguments.size() > 1 ? arguments.at(1) : QString());
    objects.formMain().show();
    splash->raise();
    const int exitCode = TTabulonApplication::exec();
    // Running queries are cancelled and their workers joined before the engine goes down.
    TFormQuery::closeAll();
    return exitCode;
}
