#pragma once

#include "ui/common/sharedvalues.h"

#include <QPoint>

class QWidget;

// Places a control at a position and size designed in twips, at the screen's logical DPI.
void placeInTwips(QWidget *control, int left, int top, int width, int height);

// Where a top-level window's frame has its top-left corner, in logical pixels: the window's
// place as the user sees it, title bar included.
QPoint framePosition(QWidget *window);

// Puts a top-level window's frame, title bar included, with its top-left corner at
// `frameTopLeft`, moved only as far as it takes to lie whole on the free area of the screen it
// covers most (the nearest one when it covers none: a screen gone, a panel moved). The frame is
// the one the window manager gives the window; should it turn out another when the window first
// shows, the window is placed again by that one. Where the compositor places windows (Wayland),
// it takes this as a request at most.
void placeFrame(QWidget *window, QPoint frameTopLeft);

// The remembered position (twips) as the top-left corner of a frame, in logical pixels.
QPoint rememberedFramePosition(const SharedValues &shared, const QWidget *window);

// Puts a dialog's frame at the remembered position and, when the always-on-top flag is set,
// keeps it above other windows.
void placeDialogAtRememberedPosition(QWidget *dialog, const SharedValues &shared);

// Keeps a window above all others, or releases it, without moving or resizing it.
void setTopmost(QWidget *window, bool topmost);
