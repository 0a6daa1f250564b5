#include "ui/common/appicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

// The design grid: a rounded tile with a letter "L" on it.
constexpr double kGrid = 64;
constexpr double kTileInset = 2;
constexpr double kTileRadius = 12;
constexpr const char *kTileColour = "#3c9a1e";
constexpr const char *kLetterColour = "#ffffff";
constexpr QPointF kLetter[] = { { 20, 12 }, { 30, 12 }, { 30, 42 },
                                { 46, 42 }, { 46, 52 }, { 20, 52 } };

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace

QImage applicationIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kGrid, size / kGrid);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(QLatin1String(kTileColour)));
    painter.drawRoundedRect(QRectF(kTileInset, kTileInset, kGrid - 2 * kTileInset,
                                   kGrid - 2 * kTileInset),
                            kTileRadius, kTileRadius);
    painter.setBrush(QColor(QLatin1String(kLetterColour)));
    painter.drawPolygon(kLetter, int(std::size(kLetter)));
    return image;
}

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : kApplicationIconSizes)
        icon.addPixmap(QPixmap::fromImage(applicationIconImage(size)));
    return icon;
}

QByteArray applicationIconSvg()
{
    QString points;
    for (const QPointF &point : kLetter)
        points += QStringLiteral("%1,%2 ").arg(number(point.x()), number(point.y()));
    const double side = kGrid - 2 * kTileInset;
    const QString svg =
            QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                           "viewBox=\"0 0 %1 %1\">\n"
                           "  <rect x=\"%2\" y=\"%2\" width=\"%3\" height=\"%3\" rx=\"%4\" ry=\"%4\" "
                           "fill=\"%5\"/>\n"
                           "  <polygon points=\"%6\" fill=\"%7\"/>\n"
                           "</svg>\n")
                    .arg(number(kGrid), number(kTileInset), number(side), number(kTileRadius),
                         QLatin1String(kTileColour), points.trimmed(),
                         QLatin1String(kLetterColour));
    return svg.toUtf8();
}

QIcon companyIcon()
{
    constexpr int size = 32;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1b, 0x2a, 0x5c));
    painter.drawRoundedRect(QRectF(1, 1, size - 2, size - 2), 6, 6);
    QPainterPath moon;
    moon.addEllipse(QPointF(15, 16), 10, 10);
    QPainterPath shadow;
    shadow.addEllipse(QPointF(20, 12), 9, 9);
    painter.setBrush(QColor(0xff, 0xd8, 0x4a));
    painter.drawPath(moon.subtracted(shadow));
    return QIcon(pixmap);
}
