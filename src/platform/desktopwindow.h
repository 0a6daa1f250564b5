#pragma once

#include <QMargins>

#include <optional>

class QWidget;

// What the desktop's window manager knows of a top-level window and Qt does not always tell:
// the frame it puts around the window. Sizes are in the window's logical pixels.
namespace DesktopWindow {

// Asks the window manager for the frame it will give the window, ahead of the window's first
// showing, so that its first placement can count the frame already (X11's
// _NET_REQUEST_FRAME_EXTENTS; the answer arrives by itself and is read by `frameExtents`).
// Elsewhere the frame is known without asking.
void requestFrameExtents(QWidget &window);

// How far the window's frame reaches beyond the window on each side. None while the window
// manager has not told (on X11, a window not shown yet whose request was not answered yet), and
// for a window with a parent that has not been shown yet.
std::optional<QMargins> frameExtents(QWidget &window);

} // namespace DesktopWindow
