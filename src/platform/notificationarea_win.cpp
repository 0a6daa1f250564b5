#include "platform/notificationarea.h"

#include <QSystemTrayIcon>

// Windows: the task bar's notification area, which Qt looks for afresh every time it is asked.

NotificationAreaProbe::NotificationAreaProbe(QObject *parent)
    : QObject(parent)
{
}

bool NotificationAreaProbe::isAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}
