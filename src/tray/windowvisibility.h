#pragma once

#include "ui/common/sharedvalues.h"

class QAction;
class QWidget;

// Shows and hides the settings window, keeping the remembered position and the tray's
// 設定画面 tick with it.
class WindowVisibility
{
public:
    explicit WindowVisibility(SharedValues &shared);

    // The settings window with its 常に最前面に表示 entry, and the tray's 設定画面 entry, once
    // they exist.
    void setWindows(QWidget &mainWindow, QAction &alwaysOnTopTick, QAction &trayTick);

    // Shows the settings window where it last stood, on top of others when the always-on-top
    // flag is set, and ticks the tray's 設定画面. The first time its frame stands at the top-left
    // of the primary screen's free area; a place where the frame would not lie whole on a
    // screen's free area now (a monitor unplugged, a panel moved) gives way to the nearest
    // place where it does.
    void ShowMainWindow();
    // Whether the shown settings window is in front: it has the focus, or it is on the current
    // workspace and covered by no other window. A window the desktop tells nothing of counts as
    // in front.
    bool isMainWindowInFront() const;
    // Brings the shown settings window to the front (from another workspace too) and gives it
    // the focus; the tray's 設定画面 stays ticked.
    void BringMainWindowToFront();
    // Remembers where the settings window stands, hides it (its list and selection stay) and
    // clears the tray's 設定画面 tick.
    void HideMainWindow();
    // Records where the settings window's frame stands, in whole twips, as the remembered
    // position.
    void RememberMainWindowPosition();

private:
    SharedValues &m_shared;
    QWidget *m_mainWindow = nullptr;
    QAction *m_alwaysOnTopTick = nullptr;
    QAction *m_trayTick = nullptr;
    bool m_shownBefore = false;
};
