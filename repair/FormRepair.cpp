#include "FormRepair.h"

TFormRepair::TFormRepair(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FormRepair"));
    setWindowTitle(QStringLiteral("Verify - Rebuild"));
}
