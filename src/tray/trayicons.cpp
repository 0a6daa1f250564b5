#include "tray/trayicons.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

namespace {

struct EditionLook
{
    QColor background;
    QChar letter;
};

constexpr int kSizes[] = { 16, 22, 24, 32, 48, 64 };

EditionLook lookOf(int editionCode)
{
    switch (editionCode) {
    case 0:
        return { QColor(0xd0, 0x10, 0x1c), QLatin1Char('Y') };
    case 1:
        return { QColor(0x9c, 0x00, 0x3c), QLatin1Char('R') };
    case 2:
        return { QColor(0x1a, 0x5f, 0xb4), QLatin1Char('B') };
    default:
        return { QColor(0x3c, 0x9a, 0x1e), QLatin1Char('L') };
    }
}

QPixmap draw(const EditionLook &look, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(look.background);
    const qreal radius = size / 5.0;
    painter.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), radius, radius);
    QFont font;
    font.setBold(true);
    font.setPixelSize(qMax(9, size * 3 / 4));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QString(look.letter));
    return pixmap;
}

} // namespace

QIcon editionIcon(int editionCode)
{
    const EditionLook look = lookOf(editionCode);
    QIcon icon;
    for (const int size : kSizes)
        icon.addPixmap(draw(look, size));
    return icon;
}
