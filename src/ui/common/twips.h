#pragma once

#include <QtGlobal>

// Window geometry is designed in twips (1/1440 inch); the screen works in logical pixels.
constexpr int kTwipsPerInch = 1440;

constexpr int twipsToPixels(int twips, int dpi)
{
    // Round half away from zero, as the screen's twips-per-pixel conversion does.
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + kTwipsPerInch / 2) / kTwipsPerInch
                                        : (scaled - kTwipsPerInch / 2) / kTwipsPerInch);
}
