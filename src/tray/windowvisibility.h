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
    // flag is set, and ticks the tray's 設定画面. The first time it stands at the top-left of
    // the primary screen's free area; a place that lies off every screen now (a monitor
    // unplugged) gives way to the nearest screen's free area.
    void ShowMainWindow();
    // Remembers where the settings window stands, hides it (its list and selection stay) and
    // clears the tray's 設定画面 tick.
    void HideMainWindow();
    // Records where the settings window stands, in whole twips, as the remembered position.
    void RememberMainWindowPosition();

private:
    SharedValues &m_shared;
    QWidget *m_mainWindow = nullptr;
    QAction *m_alwaysOnTopTick = nullptr;
    QAction *m_trayTick = nullptr;
    bool m_shownBefore = false;
};
