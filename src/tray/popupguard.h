#pragma once

#include <algorithm>

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

class QAction;
class QMenu;

// Where a popup menu of `size` opened for a press at `pointer` goes so that the pointer is over
// none of its entries: beside the pointer, below and to the right where `area` has room, else
// above or to the left. Only a menu too large for either way is placed over the pointer, as far
// inside `area` as it goes.
QPoint popupPositionBesidePointer(QPoint pointer, QSize size, const QRect &area);

// The entries of a popup menu in the order they show when it opens at `menu` for a press at
// `pointer`: as given when it opens above the pointer (a taskbar at the bottom: the first entry
// farthest from the pointer), reversed when it opens below it (a panel at the top), so that the
// entry farthest from the pointer is the same wherever the panel is.
template<typename Entry>
QList<Entry> entriesForOpening(QList<Entry> entries, const QRect &menu, QPoint pointer)
{
    if (menu.top() > pointer.y())
        std::reverse(entries.begin(), entries.end());
    return entries;
}

// Keeps the press that opened a popup menu, and the rest of a double click, from choosing one of
// its entries: the menu opens beside the pointer rather than under it, and mouse presses and
// releases on the menu and its submenus within the desktop's double-click interval after it
// opened do nothing (a press outside it then does not close it either). Keys choose as always.
// Its entries show in the order that keeps the first one farthest from the pointer.
class PopupGuard : public QObject
{
    Q_OBJECT
public:
    // Guards `menu` and the submenus it holds now; the entries it holds now are in the order
    // they show when it opens above the pointer.
    explicit PopupGuard(QMenu *menu);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Puts the entries in the order for the menu placed at `placed`.
    void orderEntries(const QRect &placed, QPoint pointer);

    QMenu *m_menu;
    QList<QAction *> m_entries;
    QElapsedTimer m_opened;
};
