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

// In 64 bits: a frame far out squares to more than an int holds.
qint64 overlap(const QRect &area, const QRect &frame)
{
    const QRect common = area.intersected(frame);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}

qint64 distance(const QRect &area, const QPoint &point)
{
    const qint64 dx = point.x() < area.left() ? qint64(area.left()) - point.x()
        : point.x() > area.right()            ? qint64(point.x()) - area.right()
                                              : 0;
    const qint64 dy = point.y() < area.top() ? qint64(area.top()) - point.y()
        : point.y() > area.bottom()          ? qint64(point.y()) - area.bottom()
                                             : 0;
    return dx * dx + dy * dy;
}

int bestAreaFor(const QVector<QRect> &areas, const QRect &frame)
{
    int best = 0;
    for (int i = 1; i < areas.size(); ++i) {
        const qint64 gain = overlap(areas.at(i), frame) - overlap(areas.at(best), frame);
        if (gain > 0
            || (gain == 0 && overlap(areas.at(best), frame) == 0
                && distance(areas.at(i), frame.center())
                    < distance(areas.at(best), frame.center())))
            best = i;
    }
    return best;
}

} // namespace

QRect ScreenRules::keptOnScreen(const QVector<QRect> &workAreas, const QRect &frame)
{
    if (workAreas.isEmpty())
        return frame;
    const QRect area = workAreas.at(bestAreaFor(workAreas, frame));
    const int width = qBound(0, frame.width(), area.width());
    const int height = qBound(0, frame.height(), area.height());
    return QRect(qBound(area.x(), frame.x(), area.x() + area.width() - width),
        qBound(area.y(), frame.y(), area.y() + area.height() - height), width, height);
}

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

double ScreenRules::windowZoomFactor(qreal logicalDpi, qreal devicePixelRatio)
{
    const double zoom = screenZoomFactor(logicalDpi, devicePixelRatio);
    return devicePixelRatio > 0 ? zoom / devicePixelRatio : zoom;
}
