#include "tray/windowvisibility.h"

#include "platform/desktopwindow.h"
#include "ui/common/placement.h"
#include "ui/common/twips.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

WindowVisibility::WindowVisibility(SharedValues &shared)
    : m_shared(shared)
{
}

void WindowVisibility::setWindows(QWidget &mainWindow, QAction &alwaysOnTopTick, QAction &trayTick)
{
    m_mainWindow = &mainWindow;
    m_alwaysOnTopTick = &alwaysOnTopTick;
    m_trayTick = &trayTick;
    // The window manager tells the frame it will give the window before it first shows, so
    // that the first showing puts the frame itself on the screen.
    DesktopWindow::requestFrameExtents(mainWindow);
}

void WindowVisibility::ShowMainWindow()
{
    QWidget &window = *m_mainWindow;
    if (!m_shownBefore && m_shared.rememberedLeft == 0 && m_shared.rememberedTop == 0) {
        // The first time: the top-left corner of the primary screen's free area, clear of panels.
        if (const QScreen *primary = QGuiApplication::primaryScreen())
            placeFrame(&window, primary->availableGeometry().topLeft());
    } else {
        placeFrame(&window, rememberedFramePosition(m_shared, &window));
    }
    m_shownBefore = true;
    window.show();
    window.raise();
    window.activateWindow();
    if (m_shared.alwaysOnTop)
        setTopmost(&window, true);
    m_alwaysOnTopTick->setChecked(m_shared.alwaysOnTop != kVbFalse);
    m_trayTick->setChecked(true);
}

bool WindowVisibility::isMainWindowInFront() const
{
    // The window with the focus counts as in front even where another program's always-on-top
    // window covers part of it, which no bringing to the front would change. Where the desktop
    // does not tell, a window that is shown counts as in front.
    return m_mainWindow->isActiveWindow() || DesktopWindow::isInFront(*m_mainWindow).value_or(true);
}

void WindowVisibility::BringMainWindowToFront()
{
    DesktopWindow::bringToFront(*m_mainWindow);
    m_trayTick->setChecked(true);
}

void WindowVisibility::RememberMainWindowPosition()
{
    QWidget &window = *m_mainWindow;
    const QPoint frame = framePosition(&window);
    m_shared.rememberedTop = qRound(double(frame.y()) * kTwipsPerInch / window.logicalDpiY());
    m_shared.rememberedLeft = qRound(double(frame.x()) * kTwipsPerInch / window.logicalDpiX());
}

void WindowVisibility::HideMainWindow()
{
    RememberMainWindowPosition();
    m_mainWindow->hide();
    m_trayTick->setChecked(false);
}
