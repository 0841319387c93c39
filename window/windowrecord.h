#pragma once

#include "cef/cefrefptr.h"

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWindow>

class CefBrowser;
class QCefClient;
class QIE;

// The window manager's record of one named window, from its opening until its
// browser (or legacy control) reports closed. The registry owns it; its
// address stays valid for that whole time.
struct WindowRecord
{
    // Empty for a legacy window, and until the engine has made the browser.
    CefRefPtr<CefBrowser> browser() const;

    QString objectName;
    CefRefPtr<QCefClient> client;
    int browserId = 0;
    QWindow *window = nullptr;
    QWindow *browserWindow = nullptr;
    QIE *ieWidget = nullptr;

    QSize size;
    // The size asked for at opening: a resize by drag never goes below it, and
    // children grow by what their father has grown since.
    QSize openSize;
    // Where the window was announced to the scene, for children opened before
    // it is attached.
    QPoint openPosition;

    QString fatherName;
    // From the father's top-left corner to this window's.
    QPoint offset;
    // From this window's right and bottom edges to the father's (left and top
    // stay 0).
    QMargins margins;

    bool isIE = false;
    QString url;
    // Where the pointer held the window when a drag began.
    QPoint anchor;
    // Most recently opened or switched first.
    QStringList children;

    bool needHide = false;
    bool lostFocusHide = false;
    // The geometry to go back to from maximised or full screen.
    QRect normalGeometry;
    bool maximized = false;
    bool fullScreen = false;
    bool front = false;
    // Taken when the window is attached, so a restore before any hide gives
    // the window back as it was.
    QWindow::Visibility savedVisibility = QWindow::Hidden;
    bool shown = true;
};
