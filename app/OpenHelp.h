#pragma once
// The help launcher behind the "?" buttons. The per-user setting "HelpTML Path" names a viewer,
// started with the bare help page name in the folder that holds the pages; without a usable
// viewer the page opens in the desktop's default browser; when neither works the user is told
// "Can't open Help File!". Interface thread only; throws nothing.
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class QWidget;

inline constexpr const char* kHelpMain = "6Vendrak.Html";
inline constexpr const char* kHelpSql = "6VendSql.Html";

// The system services the launcher uses; tests put their own in place.
struct THelpServices {
    QString helpFolder;    // the folder that holds the help pages
    QString configFolder;  // the user's configuration folder with the viewer setting
    std::function<bool(const QString& program, const QStringList& arguments, const QString& workingFolder)>
        startProgram;
    std::function<bool(const QUrl&)> openUrl;
    std::function<void(const QString&)> showDialog;

    static THelpServices system();
};

void OpenHelp(QWidget* owner, const QString& helpFileName, const THelpServices& services = THelpServices::system());
