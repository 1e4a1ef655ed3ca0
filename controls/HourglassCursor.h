#pragma once
// Shows the busy cursor for the lifetime of the object. Interface thread only.
#include <QGuiApplication>

class THourglassCursor {
public:
    THourglassCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~THourglassCursor() { QGuiApplication::restoreOverrideCursor(); }
    THourglassCursor(const THourglassCursor&) = delete;
    THourglassCursor& operator=(const THourglassCursor&) = delete;
};
