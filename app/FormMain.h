#pragma once
// The main window. Its pages arrive with the shell; for now it carries the program's title.
#include <QMainWindow>

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(QWidget* parent = nullptr);
};
