#include "FormMain.h"

#include "AppInfo.h"

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
    resize(1000, 700);
}
