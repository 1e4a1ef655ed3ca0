#pragma once
// The splash window shown while the program starts: borderless, on top, centred, with the
// program's name; it closes itself about three seconds after it was created and frees itself.
// Interface thread only.
#include <QFrame>

class QLabel;
class QTimer;

class TFormSplit : public QFrame {
    Q_OBJECT
public:
    static constexpr int kCloseAfterMs = 3000;

    explicit TFormSplit(QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel* Image2;
    QLabel* Label16;
    QTimer* TimerClose;

private slots:
    void TimerCloseTimer();
};
