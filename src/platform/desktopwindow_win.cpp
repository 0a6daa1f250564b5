#include "platform/desktopwindow.h"

#include <QWidget>
#include <QWindow>

#include <qt_windows.h>

// Windows: Qt knows the frame of every window it has made.

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

} // namespace DesktopWindow
