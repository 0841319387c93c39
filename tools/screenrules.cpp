#include "tools/screenrules.h"

#include <QPoint>
#include <QRect>

#include <cmath>
#include <initializer_list>

namespace {

struct ZoomStep
{
    qreal maxDpi;
    double zoom;
};

double zoomForDpi(qreal dpi, std::initializer_list<ZoomStep> steps)
{
    for (const ZoomStep &step : steps) {
        if (dpi <= step.maxDpi)
            return step.zoom;
    }
    return 2.0;
}

// QRect::contains() stops at the last column and row; this rule takes one more of each.
bool reaches(const QRect &screen, const QPoint &point)
{
    return point.x() >= screen.x() && point.x() <= screen.x() + screen.width()
        && point.y() >= screen.y() && point.y() <= screen.y() + screen.height();
}

} // namespace

int ScreenRules::screenIndexAt(const QVector<QRect> &screens, const QPoint &point)
{
    for (int i = 0; i < screens.size(); ++i) {
        if (reaches(screens.at(i), point))
            return i;
    }
    return 0;
}

double ScreenRules::zoomFactor(qreal logicalDpi, qreal devicePixelRatio)
{
    // Truncated as doubles: a bogus reading cannot overflow an int conversion.
    const qreal dpi = std::trunc(logicalDpi);
    const qreal ratio = std::trunc(devicePixelRatio);
    if (ratio == 1)
        return zoomForDpi(dpi, { { 96, 1.0 }, { 120, 1.25 }, { 144, 1.5 }, { 168, 1.75 } });
    // At ratio 2 Qt reports half the dpi the screen is set to.
    if (ratio == 2)
        return zoomForDpi(dpi, { { 72, 1.5 }, { 84, 1.75 } });
    return 1.0;
}

double ScreenRules::screenZoomFactor(qreal logicalDpi, qreal devicePixelRatio)
{
    const qreal wholeRatio = std::trunc(devicePixelRatio);
    if (!(wholeRatio >= 1))
        return zoomFactor(logicalDpi, devicePixelRatio);
    return zoomFactor(logicalDpi * devicePixelRatio / wholeRatio, wholeRatio);
}
