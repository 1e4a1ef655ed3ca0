#pragma once
// The program's application object: every event handler runs inside it, so an exception that a
// handler does not catch ends only that handler and is shown by the default error report.
// Interface thread only.
#include <QApplication>

class TTabulonApplication : public QApplication {
    Q_OBJECT
public:
    TTabulonApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
