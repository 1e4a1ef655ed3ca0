#include "EngineProgress.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QProgressDialog>

#include "HourglassCursor.h"
#include "ops/Progress.h"

TEngineProgress::TEngineProgress(QWidget* parent, QProgressBar* bar, const QString& what)
    : bar_(bar),
      dialog_(std::make_unique<QProgressDialog>(what, QString(), 0, 100, parent)),
      hourglass_(std::make_unique<THourglassCursor>()) {
    dialog_->setObjectName(QStringLiteral("ProgressDialog"));
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(400);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    if (bar_) {
        bar_->setRange(0, 100);
        bar_->setValue(0);
    }
    tabulon::setProgressCallback([this](int percent, int) { show(percent); });
}

TEngineProgress::~TEngineProgress() {
    tabulon::setProgressCallback(nullptr);
    if (bar_) bar_->setValue(bar_->maximum());
}

void TEngineProgress::show(int percent) {
    dialog_->setValue(percent);
    if (bar_) bar_->setValue(percent);
    QCoreApplication::processEvents();
}
