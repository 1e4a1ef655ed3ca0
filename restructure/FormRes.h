#pragma once
// The restructure window. It is created at start-up and lives until the program ends; its field
// and index editors are still to come, so for now it is an empty window. Interface thread only.
#include <QWidget>

class TFormRes : public QWidget {
    Q_OBJECT
public:
    explicit TFormRes(QWidget* parent = nullptr);
};
