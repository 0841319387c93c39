#include "window/windowplacement.h"

#include "tools/screenrules.h"

#include <QRegularExpression>
#include <QStringList>

#include <array>
#include <cmath>

namespace {

// Far beyond any desktop, yet small enough that adding offsets stays in int.
constexpr double kCoordinateLimit = 1 << 20;
// Where a number too long for 64 bits points; far enough for any zoom.
constexpr double kHuge = 1e18;

// Non-numeric parts count as 0.
double parseCorner(const QString &part)
{
    bool ok = false;
    const qint64 value = part.toLongLong(&ok);
    if (ok)
        return double(value);
    static const QRegularExpression digits(QStringLiteral("^\\s*([+-]?)\\d+\\s*$"));
    const QRegularExpressionMatch match = digits.match(part);
    if (!match.hasMatch())
        return 0;
    return match.captured(1) == QLatin1String("-") ? -kHuge : kHuge;
}

// Scaled and truncated, in double so no value the page sends can overflow; missing parts
// count as 0.
std::array<double, 4> parseCorners(const QString &rect, double zoom)
{
    const QStringList parts = rect.split(QLatin1Char(','));
    std::array<double, 4> corners {};
    for (int i = 0; i < 4 && i < parts.size(); ++i)
        corners[i] = std::trunc(parseCorner(parts.at(i)) * zoom);
    return corners;
}

int bounded(double low, double value, double high)
{
    return int(qBound(low, value, high));
}

int alignedStart(const QString &word, const QString &start, const QString &centre,
    const QString &end, int current, int referenceStart, int referenceLength, int length)
{
    if (word == start)
        return referenceStart;
    if (word == centre)
        return referenceStart + (referenceLength - length) / 2;
    if (word == end)
        return referenceStart + referenceLength - length;
    return current;
}

} // namespace

WindowPlacement WindowPlacement::forRoot(const Request &request, const QRect &screen)
{
    // A root window's rect is in screen coordinates already.
    return WindowPlacement(request, screen, QPoint(), 0, 0);
}

WindowPlacement WindowPlacement::forChild(const Request &request, const Father &father)
{
    // A child grows by as much as its father has grown since it opened; a
    // popup keeps exactly the size it asked for.
    const bool grows = !request.lostFocusHide;
    return WindowPlacement(request, father.frame, father.frame.topLeft(),
        grows ? father.frame.width() - father.openWidth : 0,
        grows ? father.frame.height() - father.openHeight : 0);
}

WindowPlacement::WindowPlacement(const Request &request, const QRect &reference,
    const QPoint &origin, int widthGrowth, int heightGrowth)
{
    const std::array<double, 4> corners = parseCorners(request.rect, request.zoom);
    const int x = bounded(-kCoordinateLimit, corners[0], kCoordinateLimit);
    const int y = bounded(-kCoordinateLimit, corners[1], kCoordinateLimit);
    const QSize largest = request.workArea.size();
    openWidth = bounded(0, corners[2] - corners[0], largest.width());
    openHeight = bounded(0, corners[3] - corners[1], largest.height());

    const int left = alignedStart(request.align, QStringLiteral("Left"), QStringLiteral("Center"),
        QStringLiteral("Right"), origin.x() + x, reference.x(), reference.width(), openWidth);
    const int top = alignedStart(request.valign, QStringLiteral("Top"), QStringLiteral("VCenter"),
        QStringLiteral("Bottom"), origin.y() + y, reference.y(), reference.height(), openHeight);
    // Never negative, never larger than a screen, never off the screens.
    frame = ScreenRules::keptOnScreen(
        request.screens.isEmpty() ? QVector<QRect> { request.workArea } : request.screens,
        QRect(left, top, openWidth + widthGrowth, openHeight + heightGrowth));

    offsetX = frame.x() - reference.x();
    offsetY = frame.y() - reference.y();
    marginRight = reference.width() - offsetX - frame.width();
    marginBottom = reference.height() - offsetY - frame.height();
}
