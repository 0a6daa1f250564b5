#pragma once

class QWidget;

// Shows the settings window where it last stood (the top-left corner the first time),
// on top of others when the always-on-top flag is set, and ticks the tray's 設定画面.
void ShowMainWindow();

// Remembers where the settings window stands, hides it (its list and selection stay) and
// clears the tray's 設定画面 tick.
void HideMainWindow();

// Records where the settings window stands, in whole twips, as the remembered position.
void RememberMainWindowPosition();

// Puts a dialog's top-left corner at the remembered position and, when the always-on-top
// flag is set, keeps it above other windows.
void placeDialogAtRememberedPosition(QWidget *dialog);

// Keeps a window above all others, or releases it, without moving or resizing it.
void setTopmost(QWidget *window, bool topmost);
