#include "app/placement.h"

#include "app/twips.h"

#include <QWidget>

void placeInTwips(QWidget *control, int left, int top, int width, int height)
{
    const int dpiX = control->logicalDpiX();
    const int dpiY = control->logicalDpiY();
    control->setGeometry(twipsToPixels(left, dpiX), twipsToPixels(top, dpiY),
                         twipsToPixels(width, dpiX), twipsToPixels(height, dpiY));
}
