#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

class QMenu;

// Where a popup menu of `size` opened for a press at `pointer` goes so that the pointer is over
// none of its entries: beside the pointer, below and to the right where `area` has room, else
// above or to the left. Only a menu too large for either way is placed over the pointer, as far
// inside `area` as it goes.
QPoint popupPositionBesidePointer(QPoint pointer, QSize size, const QRect &area);

// Keeps the press that opened a popup menu, and the rest of a double click, from choosing one of
// its entries: the menu opens beside the pointer rather than under it, and mouse presses and
// releases on the menu and its submenus within the desktop's double-click interval after it
// opened do nothing (a press outside it then does not close it either). Keys choose as always.
class PopupGuard : public QObject
{
    Q_OBJECT
public:
    // Guards `menu` and the submenus it holds now.
    explicit PopupGuard(QMenu *menu);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMenu *m_menu;
    QElapsedTimer m_opened;
};
