#include "browser/accountmark.h"

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
    const QByteArray digest = QCryptographicHash::hash(account.toUtf8(), QCryptographicHash::Sha256);
    const int hue = ((quint8(digest[0]) << 8) | quint8(digest[1])) % 360;
    // Saturated and mid-dark: clear on a light tab bar and on a dark one.
    return QColor::fromHsv(hue, 190, 200);
}

QIcon accountMark(const QString &account)
{
    QIcon icon;
    for (const int size : { 10, 16, 20, 32 }) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(accountColour(account));
        painter.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
