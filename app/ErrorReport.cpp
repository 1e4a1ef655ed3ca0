#include "ErrorReport.h"

#include <QApplication>
#include <QMessageBox>

#include "AppInfo.h"
#include "core/EngineError.h"

QString ErrorText(const std::exception& error) {
    if (const auto* engine = dynamic_cast<const tabulon::EngineError*>(&error)) {
        return QString::fromStdString(engine->formatted());
    }
    return QString::fromUtf8(error.what());
}

QString ErrorReportText(const QString& errorText) {
    if (!errorText.isEmpty() && errorText.back() > u'.') {
        return errorText + u'.';
    }
    return errorText;
}

void ShowErrorReport(const QString& errorText) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle), ErrorReportText(errorText),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}
