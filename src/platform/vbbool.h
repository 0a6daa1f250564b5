#pragma once

#include <QtGlobal>

// Booleans shared between the windows are 16-bit integers: -1 is true, 0 is false.
using VbBool = qint16;
constexpr VbBool kVbTrue = -1;
constexpr VbBool kVbFalse = 0;
