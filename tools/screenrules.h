#pragma once

#include <QVector>
#include <QtGlobal>

class QPoint;
class QRect;

// The screen rules of the desktop utilities, over plain values: any screen layout can be checked
// without the screens themselves.
class ScreenRules
{
public:
    ScreenRules() = delete;

    // Index of the first screen containing point, with right and bottom edges counted one pixel
    // beyond the screen: a point on the edge two screens share belongs to the one listed first.
    // 0 when no screen contains it, also for an empty list.
    static int screenIndexAt(const QVector<QRect> &screens, const QPoint &point);

    // frame moved, and shrunk where it is larger, into the work area it overlaps most (the nearest
    // one when it overlaps none): a window inside the desktop's bounding box can still lie in a
    // gap between screens of different sizes. frame itself for an empty list.
    static QRect keptOnScreen(const QVector<QRect> &workAreas, const QRect &frame);

    // Factor from the scene's logical sizes to screen pixels, in the Windows scaling steps of 25 %
    // at 96 dpi per 100 %. Both readings are cut to whole numbers first.
    static double zoomFactor(qreal logicalDpi, qreal devicePixelRatio);
    // The same for a screen as Qt 6 reads it. Qt 6 always scales, by the exact ratio (1.25, 1.5,
    // ...), and reports the base dpi beside it: a screen set to 144 dpi reads 96 dpi at ratio 1.5.
    // The steps above take a whole ratio with the rest of the scale in the dpi, so the fraction
    // of the ratio moves into the dpi first. A ratio below 1 is taken as it is.
    static double screenZoomFactor(qreal logicalDpi, qreal devicePixelRatio);
    // What is left of a screen's zoom factor for sizes in Qt's own units: Qt 6 multiplies them by
    // the pixel ratio already, and the engine renders pages at that ratio. 1 wherever Qt scales
    // in the design's steps itself.
    static double windowZoomFactor(qreal logicalDpi, qreal devicePixelRatio);
};
