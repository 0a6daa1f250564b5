#include "tray/traycallback.h"

#include <QWidget>

#include <cmath>

int mouseMessageFromTwips(double x, double twipsPerPixel)
{
    const long long perPixel = std::llround(twipsPerPixel);
    if (perPixel <= 0)
        return 0;
    return static_cast<int>(std::llround(x) / perPixel);
}

int mouseMessageFor(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return WM_LBUTTONDOWN;
    case QSystemTrayIcon::Context:
        return WM_RBUTTONDOWN;
    case QSystemTrayIcon::DoubleClick:
        return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::MiddleClick:
        return WM_MBUTTONDOWN;
    case QSystemTrayIcon::Unknown:
        break;
    }
    return 0;
}

TrayAction trayActionFor(int message)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        return TrayAction::OpenPopup;
    default:
        return TrayAction::Nothing;
    }
}

bool isTrayModalDialog(const QWidget *window)
{
    const QString name = window->objectName();
    return name == QLatin1String("frmRegistry") || name == QLatin1String("frmAbout");
}

QWidget *openTrayModalDialog(const QList<QWidget *> &windows)
{
    for (QWidget *window : windows) {
        if (window->isVisible() && isTrayModalDialog(window))
            return window;
    }
    return nullptr;
}
