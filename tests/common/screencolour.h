#pragma once

#include <QColor>
#include <QPoint>

// What is on the X display at a point, whichever window shows it.
QColor screenColourAt(const QPoint &point);

// Equal but for the small differences of colour conversion on the way.
bool sameColour(const QColor &a, const QColor &b);
