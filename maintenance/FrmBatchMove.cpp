#include "FrmBatchMove.h"

TfrmBatchMove::TfrmBatchMove(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmBatchMove"));
    setWindowTitle(QStringLiteral("Batch Move"));
}
