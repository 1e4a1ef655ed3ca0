#pragma once
// Watches one folder (not its sub-folders) for changes of names, attributes, sizes and
// creation through inotify, and reports them once they have settled. The kernel queues the
// events on a descriptor the interface thread's event loop waits on, so nothing runs while the
// folder is quiet. Pause it around the list's own operations: resuming drops what they caused.
// Interface thread only; no throws (a folder that cannot be watched is simply not reported).
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

class TShellChangeNotifyThread : public QObject {
    Q_OBJECT
public:
    // How long changes must settle before they are reported.
    static constexpr int kSettleMs = 500;

    explicit TShellChangeNotifyThread(QObject* parent = nullptr);
    ~TShellChangeNotifyThread() override;

    // Watches `folder` from now on; an empty folder watches nothing.
    void setFolder(const QString& folder);
    const QString& folder() const { return folder_; }
    // Changes are reported only while enabled (the list's AutoUpdate).
    void setEnabled(bool on) { enabled_ = on; }
    bool enabled() const { return enabled_; }

    // Holds reports back until the matching resume, which drops the changes seen meanwhile.
    void pause() { ++paused_; }
    void resume();

    // Keeps the watcher paused for its own life.
    class Pause {
    public:
        explicit Pause(TShellChangeNotifyThread& watcher) : watcher_(watcher) { watcher_.pause(); }
        ~Pause() { watcher_.resume(); }
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        TShellChangeNotifyThread& watcher_;
    };

signals:
    // The watched folder changed on disk (reported on the interface thread).
    void Changed();

private:
    void eventsArrived();
    // Reads and drops every event queued so far.
    void drain();

    int fd_ = -1;
    int watch_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer settle_;
    QString folder_;
    int paused_ = 0;
    bool enabled_ = true;
};
