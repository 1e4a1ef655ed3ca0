#include "FormRes.h"

TFormRes::TFormRes(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FormRes"));
    setWindowTitle(QStringLiteral("Restructure"));
}
