#include "tray/popupguard.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QStyleHints>

#include <optional>

namespace {

// The start of a span of `length` that leaves out `at` and lies within [low, high]: just after
// it where there is room, else just before it; none when neither fits.
std::optional<int> besideOnAxis(int at, int length, int low, int high)
{
    if (at + length <= high)
        return at + 1;
    if (at - length >= low)
        return at - length;
    return std::nullopt;
}

// The start of a span of `length` as near `at` as [low, high] allows.
int insideOnAxis(int at, int length, int low, int high)
{
    return qMax(low, qMin(at, high + 1 - length));
}

} // namespace

QPoint popupPositionBesidePointer(QPoint pointer, QSize size, const QRect &area)
{
    const std::optional<int> x = besideOnAxis(pointer.x(), size.width(), area.left(), area.right());
    const std::optional<int> y = besideOnAxis(pointer.y(), size.height(), area.top(), area.bottom());
    return { x.value_or(insideOnAxis(pointer.x(), size.width(), area.left(), area.right())),
             y.value_or(insideOnAxis(pointer.y(), size.height(), area.top(), area.bottom())) };
}

PopupGuard::PopupGuard(QMenu *menu)
    : QObject(menu)
    , m_menu(menu)
    , m_entries(menu->actions())
{
    connect(menu, &QMenu::aboutToShow, this, [this] { m_opened.start(); });
    menu->installEventFilter(this);
    for (QMenu *submenu : menu->findChildren<QMenu *>())
        submenu->installEventFilter(this);
}

void PopupGuard::orderEntries(const QRect &placed, QPoint pointer)
{
    // The menu is shown but not yet drawn: the same entries in another order keep its size.
    const QList<QAction *> order = entriesForOpening(m_entries, placed, pointer);
    if (m_menu->actions() == order)
        return;
    for (QAction *entry : order) {
        m_menu->removeAction(entry);
        m_menu->addAction(entry);
    }
}

bool PopupGuard::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
        // The menu was placed at the pointer, by the program or by Qt for a right press: its
        // first entry (終了) would be under it.
        if (watched == m_menu) {
            const QPoint pointer = QCursor::pos();
            // A window that shows takes a move once the window system has placed it: the menu's
            // own geometry tells where it is only after that.
            QRect placed = m_menu->geometry();
            if (placed.contains(pointer)) {
                if (const QScreen *screen = QGuiApplication::screenAt(pointer)) {
                    placed.moveTopLeft(popupPositionBesidePointer(pointer, placed.size(),
                                                                  screen->availableGeometry()));
                    m_menu->move(placed.topLeft());
                }
            }
            orderEntries(placed, pointer);
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        if (m_opened.isValid()
            && m_opened.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval())
            return true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
