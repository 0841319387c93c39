#pragma once

#include "cef/cefrefptr.h"

#include <QObject>
#include <QSize>
#include <QTimer>

class CefBrowser;
class QWindow;

// A page hears that it left full screen only once its window is back to its size. Told in
// the same turn as the window is sized, the engine would hand the game the screen's size with
// the news, as the page's window learns its new size only when the display server answers.
class FullScreenExit : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(FullScreenExit)

public:
    // At once when the page's window already has that size.
    static void tellWhenSized(
        const CefRefPtr<CefBrowser> &browser, QWindow *pageWindow, const QSize &size);

private:
    FullScreenExit(const CefRefPtr<CefBrowser> &browser, QWindow *pageWindow, const QSize &size);

    void onGeometryChanged();
    void tell();

    CefRefPtr<CefBrowser> m_browser;
    QWindow *m_pageWindow;
    QSize m_size;
    QTimer m_longestWait;
    // Both sides' queued news may come after the first told.
    bool m_told = false;
};
