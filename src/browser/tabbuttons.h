#pragma once

#include <QAbstractButton>
#include <QTabBar>

class QEvent;
class QPaintEvent;

class QString;

// A tab's close button: what the style draws for it, or where that would be the common base's
// bitmap, the style's mark for closing a window (as on the find bar and the renewal bar), on a
// button that rises under the pointer.
class TabCloseButton final : public QAbstractButton
{
    Q_OBJECT
public:
    TabCloseButton();

    // The side of a tab where the style puts its close button.
    static QTabBar::ButtonPosition closeSide(const QTabBar *bar);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Whether the style draws the mark itself.
    bool m_ownMark = true;
};

// Puts on the bar's tab at `index` the mark of the tab's account, in the account's colour, on one
// side, and a close button, which it returns, on the other.
TabCloseButton *putTabButtons(QTabBar *bar, int index, const QString &account);
