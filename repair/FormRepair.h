#pragma once
// The verify-and-rebuild window. It is created at start-up and lives until the program ends;
// its verification and rebuilding are still to come, so for now it is an empty window.
// Interface thread only.
#include <QWidget>

class TFormRepair : public QWidget {
    Q_OBJECT
public:
    explicit TFormRepair(QWidget* parent = nullptr);
};
