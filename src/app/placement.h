#pragma once

class QWidget;

// Places a control at a position and size designed in twips, at the screen's logical DPI.
void placeInTwips(QWidget *control, int left, int top, int width, int height);
