#include "TabulonApplication.h"

#include "AppInfo.h"
#include "ErrorReport.h"
#include "core/EngineError.h"

TTabulonApplication::TTabulonApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromUtf8(kApplicationTitle));
}

bool TTabulonApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const TSilentAbort&) {
    } catch (const tabulon::EngineError& error) {
        ShowErrorReport(QString::fromStdString(error.kind() + ": " + error.message()));
    } catch (const std::exception& error) {
        ShowErrorReport(QString::fromUtf8(error.what()));
    }
    return false;
}
