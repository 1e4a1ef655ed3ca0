#pragma once
// A progress window for one long table operation run on the interface thread: while the object
// lives, the engine's progress reports of this thread show as the phase and percent (and on the
// window's own progress bar, when it has one), each report lets the windows repaint, and the
// hourglass cursor shows. Interface thread only.
#include <QProgressDialog>
#include <memory>

class QProgressBar;
class THourglassCursor;

class TOperationProgress {
public:
    // Shows the window at once and repaints pending windows before the operation starts. `bar`
    // may be null.
    TOperationProgress(QWidget* parent, const QString& operation, QProgressBar* bar = nullptr);
    ~TOperationProgress();
    TOperationProgress(const TOperationProgress&) = delete;
    TOperationProgress& operator=(const TOperationProgress&) = delete;

    // What the window shows for a report of `percent` in engine phase `phase`.
    static QString PhaseText(const QString& operation, int phase);

private:
    void Report(int percent, int phase);

    QString operation_;
    QProgressBar* bar_;
    QProgressDialog dialog_;
    std::unique_ptr<THourglassCursor> hourglass_;
};
