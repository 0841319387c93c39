#include "screencolour.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

QColor screenColourAt(const QPoint &point)
{
    const QPixmap pixel
        = QGuiApplication::primaryScreen()->grabWindow(0, point.x(), point.y(), 1, 1);
    return pixel.toImage().pixelColor(0, 0);
}

bool sameColour(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) <= 3 && qAbs(a.green() - b.green()) <= 3
        && qAbs(a.blue() - b.blue()) <= 3;
}
