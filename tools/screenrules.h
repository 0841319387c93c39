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

    // Factor from the scene's logical sizes to screen pixels, in the Windows scaling steps of 25 %
    // at 96 dpi per 100 %. Both readings are cut to whole numbers first.
    static double zoomFactor(qreal logicalDpi, qreal devicePixelRatio);
};
