#include "ShellChangeNotifyThread.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <QFile>
#include <QSocketNotifier>

namespace {

constexpr uint32_t kWatchedChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_CLOSE_WRITE |
                                     IN_MODIFY | IN_DELETE_SELF | IN_MOVE_SELF;

}  // namespace

TShellChangeNotifyThread::TShellChangeNotifyThread(QObject* parent) : QObject(parent) {
    settle_.setSingleShot(true);
    connect(&settle_, &QTimer::timeout, this, [this] {
        drain();
        if (enabled_ && paused_ == 0) {
            emit Changed();
        }
    });
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0) {
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &TShellChangeNotifyThread::eventsArrived);
    }
}

TShellChangeNotifyThread::~TShellChangeNotifyThread() {
    if (fd_ >= 0) {
        delete notifier_;
        ::close(fd_);
    }
}

void TShellChangeNotifyThread::setFolder(const QString& folder) {
    if (folder == folder_ && (watch_ >= 0 || folder.isEmpty())) {
        return;
    }
    folder_ = folder;
    settle_.stop();
    if (fd_ < 0) {
        return;
    }
    if (watch_ >= 0) {
        inotify_rm_watch(fd_, watch_);
        watch_ = -1;
    }
    if (!folder.isEmpty()) {
        watch_ = inotify_add_watch(fd_, QFile::encodeName(folder).constData(), kWatchedChanges | IN_ONLYDIR);
    }
    drain();
}

void TShellChangeNotifyThread::resume() {
    if (paused_ > 0 && --paused_ == 0) {
        drain();
        settle_.stop();
    }
}

void TShellChangeNotifyThread::eventsArrived() {
    drain();
    if (enabled_ && paused_ == 0 && !settle_.isActive()) {
        settle_.start(kSettleMs);
    }
}

void TShellChangeNotifyThread::drain() {
    if (fd_ < 0) {
        return;
    }
    alignas(inotify_event) char buffer[16 * 1024];
    for (ssize_t length; (length = ::read(fd_, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            // The folder went away: its watch is gone, and a folder made again under the same
            // name needs a new one.
            if ((event->mask & IN_IGNORED) != 0 && event->wd == watch_) {
                watch_ = -1;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}
