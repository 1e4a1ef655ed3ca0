#include "Logo.h"

#include <QPainter>

QPixmap TabulonLogo(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF sheet(size * 0.08, size * 0.14, size * 0.84, size * 0.72);
    painter.setPen(QPen(QColor(0x1f, 0x3a, 0x93), std::max(1.0, size / 24.0)));
    painter.setBrush(QColor(0xf4, 0xf7, 0xff));
    painter.drawRoundedRect(sheet, size * 0.06, size * 0.06);
    const QRectF header(sheet.left(), sheet.top(), sheet.width(), sheet.height() / 4);
    painter.fillRect(header.adjusted(1, 1, -1, 0), QColor(0x3b, 0x6c, 0xd4));
    for (int row = 2; row <= 3; ++row) {
        const qreal y = sheet.top() + sheet.height() * row / 4;
        painter.drawLine(QPointF(sheet.left(), y), QPointF(sheet.right(), y));
    }
    const qreal x = sheet.left() + sheet.width() / 3;
    painter.drawLine(QPointF(x, header.bottom()), QPointF(x, sheet.bottom()));
    return pixmap;
}

QFont TabulonTitleFont() {
    QFont title(QStringLiteral("Times New Roman"));
    title.setPixelSize(27);
    title.setBold(true);
    title.setItalic(true);
    return title;
}
