#pragma once
// A progress window for one long table operation: while the object lives, the engine's progress
// reports of this thread show as the phase and percent, and each report lets the windows repaint.
// Interface thread only.
#include <QProgressDialog>

class TOperationProgress {
public:
    // Shows the window at once and repaints pending windows before the operation starts.
    TOperationProgress(QWidget* parent, const QString& operation);
    ~TOperationProgress();
    TOperationProgress(const TOperationProgress&) = delete;
    TOperationProgress& operator=(const TOperationProgress&) = delete;

    // What the window shows for a report of `percent` in engine phase `phase`.
    static QString PhaseText(const QString& operation, int phase);

private:
    void Report(int percent, int phase);

    QString operation_;
    QProgressDialog dialog_;
};
