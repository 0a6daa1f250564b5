#pragma once

#include <QList>
#include <QSystemTrayIcon>

class QWidget;

// Mouse message numbers that the notification area reports for the tray icon.
enum MouseMessage : int {
    WM_MOUSEMOVE = 0x200,
    WM_LBUTTONDOWN = 0x201,
    WM_LBUTTONUP = 0x202,
    WM_LBUTTONDBLCLK = 0x203,
    WM_RBUTTONDOWN = 0x204,
    WM_RBUTTONUP = 0x205,
    WM_RBUTTONDBLCLK = 0x206,
    WM_MBUTTONDOWN = 0x207,
};

// The message number carried in a mouse-move X coordinate given in twips: X rounded, divided
// by the whole twips per pixel. 7695 twips at 15 twips per pixel is 513.
int mouseMessageFromTwips(double x, double twipsPerPixel);

// The message number of a press that Qt reports as an activation of the tray icon.
int mouseMessageFor(QSystemTrayIcon::ActivationReason reason);

enum class TrayAction { Nothing, OpenPopup };

// What a message on the tray icon does: a left or a right press opens the popup menu.
TrayAction trayActionFor(int message);

// Whether a window is one that a press on the icon focuses instead of opening the menu: the
// account entry dialog or the About box, known by window name.
bool isTrayModalDialog(const QWidget *window);

// The open such dialog among the given windows.
QWidget *openTrayModalDialog(const QList<QWidget *> &windows);
