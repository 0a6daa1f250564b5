#include "tray/windowvisibility.h"

#include "app/placement.h"
#include "app/twips.h"

#include <QAction>
#include <QWidget>
#include <QtMath>

WindowVisibility::WindowVisibility(SharedValues &shared)
    : m_shared(shared)
{
}

void WindowVisibility::setWindows(QWidget &mainWindow, QAction &alwaysOnTopTick, QAction &trayTick)
{
    m_mainWindow = &mainWindow;
    m_alwaysOnTopTick = &alwaysOnTopTick;
    m_trayTick = &trayTick;
}

void WindowVisibility::ShowMainWindow()
{
    QWidget &window = *m_mainWindow;
    window.move(twipsToPixels(m_shared.rememberedLeft, window.logicalDpiX()),
                twipsToPixels(m_shared.rememberedTop, window.logicalDpiY()));
    window.show();
    window.raise();
    window.activateWindow();
    if (m_shared.alwaysOnTop)
        setTopmost(&window, true);
    m_alwaysOnTopTick->setChecked(m_shared.alwaysOnTop != kVbFalse);
    m_trayTick->setChecked(true);
}

void WindowVisibility::RememberMainWindowPosition()
{
    const QWidget &window = *m_mainWindow;
    m_shared.rememberedTop = qRound(double(window.y()) * kTwipsPerInch / window.logicalDpiY());
    m_shared.rememberedLeft = qRound(double(window.x()) * kTwipsPerInch / window.logicalDpiX());
}

void WindowVisibility::HideMainWindow()
{
    RememberMainWindowPosition();
    m_mainWindow->hide();
    m_trayTick->setChecked(false);
}
