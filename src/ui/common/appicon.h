#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>

// The program's own picture, the livedoor edition's green tile with a white "L": the window
// icon, the About box's product picture and the icon installed for the desktop's menus.
// One drawing, in a 64 x 64 design grid, gives both the pixel images and the scalable one.

// Sizes of the pixel images installed under share/icons/hicolor/<size>x<size>/apps.
inline constexpr int kApplicationIconSizes[] = { 16, 22, 24, 32, 48, 64, 128, 256 };

// The picture at size x size pixels, on a transparent background.
QImage applicationIconImage(int size);

// Every pixel size of the picture, for window icons.
QIcon applicationIcon();

// The same picture as an SVG document.
QByteArray applicationIconSvg();

// The maker's picture for the About box: a crescent moon on a night-blue tile, 32 x 32.
QIcon companyIcon();
