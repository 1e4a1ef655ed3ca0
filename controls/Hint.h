#pragma once
// A control's hint "short|long": the short part is its tooltip, the long part the text the main
// window's status bar shows while the mouse is over it.
#include <QWidget>

inline void SetHint(QWidget* control, const QString& hint) {
    const qsizetype bar = hint.indexOf(u'|');
    control->setProperty("hint", hint);
    control->setToolTip(bar < 0 ? hint : hint.left(bar));
    control->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}
