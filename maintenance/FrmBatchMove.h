#pragma once
// The batch-move window. It is created at start-up and lives until the program ends; its
// folder browsers and commands are still to come, so for now it is an empty window.
// Interface thread only.
#include <QWidget>

class TfrmBatchMove : public QWidget {
    Q_OBJECT
public:
    explicit TfrmBatchMove(QWidget* parent = nullptr);
};
