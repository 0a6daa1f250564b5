#pragma once

#include <QMargins>

#include <optional>

class QWidget;

// What the desktop's window manager knows of a top-level window and Qt does not always tell:
// the frame it puts around the window, and whether the window is in front. Sizes are in the
// window's logical pixels.
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

// Whether the window is in front: shown on the current workspace, not minimised, and no window
// stacked above it covers any part of its frame. None where the desktop does not tell (X11
// without a window manager, Wayland).
std::optional<bool> isInFront(QWidget &window);

// Brings the window to the front and gives it the focus; on X11 a window on another workspace
// comes to the current one first, since a window manager gives no focus to a window there
// when a program asks.
void bringToFront(QWidget &window);

} // namespace DesktopWindow
