#pragma once
// The program's picture, a small table drawn in code so no image files need shipping, and the
// font of its title "Tabulon 1.0". Interface thread only (it paints into a QPixmap).
#include <QFont>
#include <QPixmap>

QPixmap TabulonLogo(int size);
QFont TabulonTitleFont();
