#include "platform/desktopwindow.h"

#include <QRect>
#include <QWidget>
#include <QWindow>

#include <qt_windows.h>
#include <dwmapi.h>

// Windows: Qt knows the frame of every window it has made; the stacking is read from the
// system's list of top-level windows, front to back.

namespace {

// A window on another virtual desktop, or kept from view by the system, is cloaked: it is drawn
// nowhere and covers nothing.
bool isCloaked(HWND window)
{
    DWORD cloaked = 0;
    return SUCCEEDED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked)) && cloaked != 0;
}

// Where the window is drawn, its frame included: the system's window rectangle holds invisible
// borders for resizing besides, which would make neighbours overlap.
QRect outerRect(HWND window)
{
    RECT rect {};
    if (FAILED(DwmGetWindowAttribute(window, DWMWA_EXTENDED_FRAME_BOUNDS, &rect, sizeof rect))
        && !GetWindowRect(window, &rect))
        return {};
    return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
}

} // namespace

namespace DesktopWindow {

void requestFrameExtents(QWidget &window)
{
    Q_UNUSED(window);
}

std::optional<QMargins> frameExtents(QWidget &window)
{
    // Qt reckons the frame as it makes the window; one with a parent is left until Qt makes it,
    // as asking for its id would make every widget beside it native too.
    if (!window.internalWinId() && !window.parentWidget())
        window.winId();
    if (!window.internalWinId())
        return std::nullopt;
    return window.windowHandle()->frameMargins();
}

std::optional<bool> isInFront(QWidget &window)
{
    if (!window.isVisible())
        return std::nullopt;
    const auto own = reinterpret_cast<HWND>(window.internalWinId());
    if (IsIconic(own) || isCloaked(own))
        return false;
    const QRect frame = outerRect(own);
    for (HWND above = GetWindow(own, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
        if (IsWindowVisible(above) && !IsIconic(above) && !isCloaked(above) && outerRect(above).intersects(frame))
            return false;
    }
    return true;
}

void bringToFront(QWidget &window)
{
    if (window.isMinimized())
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    window.activateWindow();
}

} // namespace DesktopWindow
