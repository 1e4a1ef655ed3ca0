#include "OperationProgress.h"

#include <QCoreApplication>
#include <QProgressBar>

#include "HourglassCursor.h"
#include "ops/DirectCalls.h"

TOperationProgress::TOperationProgress(QWidget* parent, const QString& operation, QProgressBar* bar)
    : operation_(operation), bar_(bar), dialog_(parent), hourglass_(std::make_unique<THourglassCursor>()) {
    dialog_.setObjectName(QStringLiteral("OperationProgress"));
    dialog_.setWindowTitle(operation);
    dialog_.setCancelButton(nullptr);
    dialog_.setRange(0, 100);
    dialog_.setMinimumDuration(0);
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
    dialog_.setLabelText(operation + QStringLiteral("..."));
    dialog_.setValue(0);
    if (bar_) {
        bar_->setRange(0, 100);
        bar_->setValue(0);
    }
    dialog_.show();
    QCoreApplication::processEvents();
    tabulon::DirectCalls::registerCallback(tabulon::kProgressCallbackKind,
                                           [this](int percent, int phase) { Report(percent, phase); });
}

TOperationProgress::~TOperationProgress() {
    tabulon::DirectCalls::registerCallback(tabulon::kProgressCallbackKind, {});
    if (bar_) bar_->setValue(bar_->maximum());
}

QString TOperationProgress::PhaseText(const QString& operation, int phase) {
    return phase == tabulon::phase::kRebuild ? operation + QStringLiteral(": building indexes")
                                             : operation + QStringLiteral(": records");
}

void TOperationProgress::Report(int percent, int phase) {
    dialog_.setLabelText(PhaseText(operation_, phase));
    dialog_.setValue(percent);
    if (bar_) bar_->setValue(percent);
    // Reports come only when the percent changes, so this repaints at most a hundred times a
    // phase; input waits until the operation ends.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
