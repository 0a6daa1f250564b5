#include "tray/windowvisibility.h"

#include "ui/common/placement.h"
#include "ui/common/twips.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <limits>

namespace {

// Where a window of `size` whose top-left corner is meant for `wanted` goes: there, when it
// overlaps a screen; else (a monitor unplugged) onto the nearest screen's free area.
QPoint ontoAScreen(QPoint wanted, QSize size)
{
    const QRect frame(wanted, size);
    QRect nearest;
    qint64 nearestDistance = std::numeric_limits<qint64>::max();
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        if (area.intersects(frame))
            return wanted;
        const QPoint offset = area.center() - frame.center();
        const qint64 distance = qint64(offset.x()) * offset.x() + qint64(offset.y()) * offset.y();
        if (distance < nearestDistance) {
            nearestDistance = distance;
            nearest = area;
        }
    }
    if (nearest.isNull())
        return wanted;
    return { qBound(nearest.left(), wanted.x(), qMax(nearest.left(), nearest.right() + 1 - size.width())),
             qBound(nearest.top(), wanted.y(), qMax(nearest.top(), nearest.bottom() + 1 - size.height())) };
}

} // namespace

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
    if (!m_shownBefore && m_shared.rememberedLeft == 0 && m_shared.rememberedTop == 0) {
        // The first time: the top-left corner of the primary screen's free area, clear of panels.
        if (const QScreen *primary = QGuiApplication::primaryScreen())
            window.move(primary->availableGeometry().topLeft());
    } else {
        window.move(ontoAScreen(QPoint(twipsToPixels(m_shared.rememberedLeft, window.logicalDpiX()),
                                       twipsToPixels(m_shared.rememberedTop, window.logicalDpiY())),
                                window.frameGeometry().size()));
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
