#include "platform/secretmime.h"

#include <QMimeData>

void markAsSecret(QMimeData &data)
{
    // KDE's Klipper and other history tools on X11 and Wayland skip entries with this hint.
    data.setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
}
