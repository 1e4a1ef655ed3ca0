// Tabulon: browse and maintain Paradox, dBase and text tables.
#include <QApplication>

#include "AppInfo.h"
#include "FormMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
    TFormMain formMain;
    formMain.show();
    return QApplication::exec();
}
