#pragma once

#include "ui/common/sharedvalues.h"

class QWidget;

// Places a control at a position and size designed in twips, at the screen's logical DPI.
void placeInTwips(QWidget *control, int left, int top, int width, int height);

// Puts a dialog's top-left corner at the remembered position and, when the always-on-top
// flag is set, keeps it above other windows.
void placeDialogAtRememberedPosition(QWidget *dialog, const SharedValues &shared);

// Keeps a window above all others, or releases it, without moving or resizing it.
void setTopmost(QWidget *window, bool topmost);
