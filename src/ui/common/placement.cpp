#include "ui/common/placement.h"

#include "ui/common/twips.h"

#include <QWidget>

void placeInTwips(QWidget *control, int left, int top, int width, int height)
{
    const int dpiX = control->logicalDpiX();
    const int dpiY = control->logicalDpiY();
    control->setGeometry(twipsToPixels(left, dpiX), twipsToPixels(top, dpiY),
                         twipsToPixels(width, dpiX), twipsToPixels(height, dpiY));
}

void setTopmost(QWidget *window, bool topmost)
{
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topmost)
        return;
    const bool visible = window->isVisible();
    const QPoint position = window->pos();
    // Changing a window flag hides the window; bring it back where it stood.
    window->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (visible) {
        window->move(position);
        window->show();
    }
}

void placeDialogAtRememberedPosition(QWidget *dialog, const SharedValues &shared)
{
    dialog->move(twipsToPixels(shared.rememberedLeft, dialog->logicalDpiX()),
                 twipsToPixels(shared.rememberedTop, dialog->logicalDpiY()));
    if (shared.alwaysOnTop)
        setTopmost(dialog, true);
}
