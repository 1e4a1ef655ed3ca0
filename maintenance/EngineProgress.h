#pragma once
// A progress window for a long engine operation run on the interface thread: while the object
// lives, the percent and phase the engine reports on this thread move its bar, and every report
// lets the interface repaint and run its timers (user input waits), so no window freezes while
// the work runs and nothing can be started over it.
// Interface thread only; throws nothing.
#include <QString>
#include <memory>

class QProgressDialog;
class QWidget;

class TEngineProgress {
public:
    // The window is modal to `parent` and appears once the operation has run a moment.
    TEngineProgress(QWidget* parent, const QString& title);
    ~TEngineProgress();
    TEngineProgress(const TEngineProgress&) = delete;
    TEngineProgress& operator=(const TEngineProgress&) = delete;

    // The text shown for an engine phase ("Working on the records", "Building the indexes").
    static QString PhaseText(int phase);

private:
    std::unique_ptr<QProgressDialog> dialog_;
};
