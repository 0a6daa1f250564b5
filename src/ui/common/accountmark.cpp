#include "ui/common/accountmark.h"

#include <QCryptographicHash>
#include <QPainter>
#include <QPixmap>

QString accountLabel(const QString &account)
{
    return account.isEmpty() ? QStringLiteral("ゲスト") : account;
}

QColor accountColour(const QString &account)
{
    if (account.isEmpty())
        return QColor(0x9e, 0x9e, 0x9e);
    // One of twelve hues 30 degrees apart, light or dark: two accounts either share a colour
    // or differ clearly, never by a shade.
    const QByteArray digest = QCryptographicHash::hash(account.toUtf8(), QCryptographicHash::Sha256);
    const int hue = quint8(digest[0]) % 12 * 30;
    const bool dark = quint8(digest[1]) & 1;
    // Saturated and mid-dark at most: clear on a light tab bar and on a dark one.
    return QColor::fromHsv(hue, 200, dark ? 150 : 215);
}

namespace {

// The mark in a square of `size` pixels; `backed`: on a light disc, which keeps it clear on a
// selection's colour whatever the account's.
QPixmap markPixmap(const QString &account, bool filled, int size, bool backed)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    qreal edge = 0.5;
    if (backed) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRectF(0, 0, size, size));
        edge = 1.5;
    }
    const QRectF circle(edge, edge, size - 2 * edge, size - 2 * edge);
    if (filled) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(accountColour(account));
        painter.drawEllipse(circle);
    } else {
        // A ring a sixth of the mark wide, inside the same circle.
        const qreal width = qMax(1.5, size / 6.0);
        painter.setPen(QPen(accountColour(account), width));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(circle.adjusted(width / 2, width / 2, -width / 2, -width / 2));
    }
    return pixmap;
}

} // namespace

QIcon accountMark(const QString &account, bool filled)
{
    QIcon icon;
    for (const int size : { 10, 16, 20, 32 }) {
        icon.addPixmap(markPixmap(account, filled, size, false));
        // A selected row shows the mark itself, not the style's tint of it in the selection's
        // colour, in which a mark of a like colour would vanish.
        icon.addPixmap(markPixmap(account, filled, size, true), QIcon::Selected);
    }
    return icon;
}
