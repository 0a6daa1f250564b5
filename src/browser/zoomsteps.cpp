#include "browser/zoomsteps.h"

#include <array>

namespace {

// The zoom factors the window steps through, as common browsers do.
constexpr std::array kZoomSteps{ 0.25, 0.33, 0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                 1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 4.0, 5.0 };

} // namespace

qreal nextZoomFactor(qreal current, ZoomDirection direction)
{
    qreal factor = 1.0;
    if (direction == ZoomDirection::In) {
        factor = kZoomSteps.back();
        for (qreal step : kZoomSteps) {
            if (step > current + 0.001) {
                factor = step;
                break;
            }
        }
    } else if (direction == ZoomDirection::Out) {
        factor = kZoomSteps.front();
        for (qreal step : kZoomSteps) {
            if (step < current - 0.001)
                factor = step;
        }
    }
    return factor;
}
