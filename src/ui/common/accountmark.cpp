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

QIcon accountMark(const QString &account, bool filled)
{
    QIcon icon;
    for (const int size : { 10, 16, 20, 32 }) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        if (filled) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(accountColour(account));
            painter.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
        } else {
            // A ring a sixth of the mark wide, inside the same circle.
            const qreal width = qMax(1.5, size / 6.0);
            painter.setPen(QPen(accountColour(account), width));
            painter.setBrush(Qt::NoBrush);
            const qreal inset = 0.5 + width / 2;
            painter.drawEllipse(QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
