#pragma once
// The program's picture: a small table drawn in code, so no image files need shipping.
// Interface thread only (it paints into a QPixmap).
#include <QPixmap>

QPixmap TabulonLogo(int size);
