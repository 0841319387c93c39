#include "window/windowplacement.h"

#include <QStringList>

#include <array>

namespace {

// Missing or non-numeric parts count as 0.
std::array<int, 4> parseCorners(const QString &rect)
{
    const QStringList parts = rect.split(QLatin1Char(','));
    std::array<int, 4> corners {};
    for (int i = 0; i < 4 && i < parts.size(); ++i)
        corners[i] = parts.at(i).toInt();
    return corners;
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
    const std::array<int, 4> corners = parseCorners(request.rect);
    const int x = int(corners[0] * request.zoom);
    const int y = int(corners[1] * request.zoom);
    openWidth = int(corners[2] * request.zoom - x);
    openHeight = int(corners[3] * request.zoom - y);

    const int left = alignedStart(request.align, QStringLiteral("Left"), QStringLiteral("Center"),
        QStringLiteral("Right"), origin.x() + x, reference.x(), reference.width(), openWidth);
    const int top = alignedStart(request.valign, QStringLiteral("Top"), QStringLiteral("VCenter"),
        QStringLiteral("Bottom"), origin.y() + y, reference.y(), reference.height(), openHeight);
    frame = QRect(left, top, openWidth + widthGrowth, openHeight + heightGrowth);

    offsetX = frame.x() - reference.x();
    offsetY = frame.y() - reference.y();
    marginRight = reference.width() - offsetX - frame.width();
    marginBottom = reference.height() - offsetY - frame.height();
}
