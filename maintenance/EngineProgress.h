#pragma once
// Shows the percent of a long engine operation while it runs on the interface thread: a modal
// progress dialog and the window's own progress bar follow the engine's progress reports, and
// the windows are repainted at each one. The hourglass cursor shows meanwhile. Interface
// thread only.
#include <QString>
#include <memory>

class QProgressBar;
class QProgressDialog;
class QWidget;
class THourglassCursor;

class TEngineProgress {
public:
    // `bar` may be null. The dialog says `what` ("Exporting NAME.TXT...").
    TEngineProgress(QWidget* parent, QProgressBar* bar, const QString& what);
    ~TEngineProgress();
    TEngineProgress(const TEngineProgress&) = delete;
    TEngineProgress& operator=(const TEngineProgress&) = delete;

private:
    void show(int percent);

    QProgressBar* bar_;
    std::unique_ptr<QProgressDialog> dialog_;
    std::unique_ptr<THourglassCursor> hourglass_;
};
