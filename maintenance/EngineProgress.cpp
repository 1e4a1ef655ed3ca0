#include "EngineProgress.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressDialog>

#include "ops/Progress.h"

namespace {
// Short operations finish before the window would only flash.
constexpr int kShowAfterMs = 400;
}  // namespace

TEngineProgress::TEngineProgress(QWidget* parent, const QString& title)
    : dialog_(std::make_unique<QProgressDialog>(PhaseText(tabulon::phase::kData), QString(), 0, 100, parent)) {
    dialog_->setObjectName(QStringLiteral("EngineProgress"));
    dialog_->setWindowTitle(title);
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setCancelButton(nullptr);  // the engine's operations run to their end
    dialog_->setMinimumDuration(kShowAfterMs);
    dialog_->setAutoClose(false);
    dialog_->setValue(0);
    QProgressDialog* dialog = dialog_.get();
    tabulon::setProgressCallback([dialog](int percent, int phase) {
        dialog->setLabelText(PhaseText(phase));
        dialog->setValue(percent);
        // Repaints and timers, but no clicks or keys: nothing may start while the operation runs.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
}

TEngineProgress::~TEngineProgress() { tabulon::setProgressCallback({}); }

QString TEngineProgress::PhaseText(int phase) {
    return phase == tabulon::phase::kRebuild ? QStringLiteral("Building the indexes")
                                             : QStringLiteral("Working on the records");
}
