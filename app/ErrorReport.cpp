#include "ErrorReport.h"

#include <QApplication>
#include <QMessageBox>

#include "AppInfo.h"

QString ErrorReportText(const QString& errorText) {
    if (!errorText.isEmpty() && errorText.back() > u'.') {
        return errorText + u'.';
    }
    return errorText;
}

void ShowErrorReport(const QString& errorText) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle),
                    ErrorReportText(errorText), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}
