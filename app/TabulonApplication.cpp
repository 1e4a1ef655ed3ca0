#include "TabulonApplication.h"

#include "AppInfo.h"
#include "ErrorReport.h"

TTabulonApplication::TTabulonApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromUtf8(kApplicationTitle));
}

bool TTabulonApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const TSilentAbort&) {
    } catch (const std::exception& error) {
        ShowErrorReport(ErrorText(error));
    }
    return false;
}
