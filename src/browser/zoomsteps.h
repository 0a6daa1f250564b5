#pragma once

#include <QtGlobal>

// Which way a zoom key goes: a step larger, a step smaller, or back to the page's normal size.
enum class ZoomDirection { In, Out, Reset };

// The zoom factor one step from `current` in that direction, on the steps common browsers use
// from 25 % to 500 %: the next step above (In) or below (Out) the factor, which need not be a
// step itself; where there is none that way, the last step that way (500 % or 25 %). Reset is
// 1.0 (100 %).
qreal nextZoomFactor(qreal current, ZoomDirection direction);
