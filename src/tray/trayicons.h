#pragma once

#include <QIcon>

// The tray image of an edition (0 Yahoo! JAPAN, 1 Rakuten, 2 Bidders, 3 livedoor): a 16 x 16
// picture plus larger sizes for high-density panels.
QIcon editionIcon(int editionCode);
