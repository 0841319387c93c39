#pragma once

#include <QRect>
#include <QString>
#include <QVector>

// Where a new window goes: the rectangle a page asks for ("left,top,right,bottom"
// in logical units), scaled by what Qt leaves of the zoom of the screen under the cursor,
// placed inside a reference rectangle (the father window, or the screen) and
// aligned there, then kept on one screen's work area whatever numbers the
// page sent. Pure arithmetic, so the rules are testable on plain values.
class WindowPlacement
{
public:
    struct Father
    {
        // The father's window rectangle: position and current size.
        QRect frame;
        int openWidth = 0;
        int openHeight = 0;
    };

    struct Request
    {
        QString rect;
        double zoom = 1.0;
        QString align;
        QString valign;
        bool lostFocusHide = false;
        // Every screen's work area together: no window is larger.
        QRect workArea;
        // The work area of each screen: the frame ends on one of them. Empty: workArea is one
        // screen.
        QVector<QRect> screens = {};
    };

    // For a root window: reference is the screen.
    static WindowPlacement forRoot(const Request &request, const QRect &screen);
    // For a child: reference is the father's window.
    static WindowPlacement forChild(const Request &request, const Father &father);

    // The scaled size asked for, before growing with the father.
    int openWidth = 0;
    int openHeight = 0;
    // The final window rectangle in Qt's units of the screen.
    QRect frame;
    int offsetX = 0;
    int offsetY = 0;
    int marginRight = 0;
    int marginBottom = 0;

private:
    // origin: what the rect's own position is relative to.
    WindowPlacement(const Request &request, const QRect &reference, const QPoint &origin,
        int widthGrowth, int heightGrowth);
};
