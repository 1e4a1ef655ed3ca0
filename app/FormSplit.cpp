#include "FormSplit.h"

#include <QLabel>
#include <QTimer>

#include "CentreOnScreen.h"
#include "Logo.h"

TFormSplit::TFormSplit(QWidget* parent)
    : QFrame(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FormSplit"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(245, 225);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(3);
    setCursor(Qt::WaitCursor);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setGeometry(20, 20, 96, 96);
    Image1->setPixmap(TabulonLogo(96));
    Image1->setScaledContents(true);
    Image2 = new QLabel(this);
    Image2->setGeometry(129, 20, 96, 96);
    Image2->setPixmap(TabulonLogo(96));
    Image2->setScaledContents(true);

    Label16 = new QLabel(QStringLiteral("Tabulon 1.0"), this);
    Label16->setObjectName(QStringLiteral("Label16"));
    Label16->setFont(TabulonTitleFont());
    Label16->setStyleSheet(QStringLiteral("color: blue"));
    Label16->setAlignment(Qt::AlignCenter);
    Label16->setGeometry(0, 140, 245, 50);

    CentreOnScreen(this);
    TimerClose = new QTimer(this);
    TimerClose->setSingleShot(true);
    TimerClose->setInterval(kCloseAfterMs);
    connect(TimerClose, &QTimer::timeout, this, &TFormSplit::TimerCloseTimer);
    TimerClose->start();
}

void TFormSplit::TimerCloseTimer() { close(); }
