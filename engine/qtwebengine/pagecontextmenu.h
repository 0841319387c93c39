#pragma once

#include <QObject>

class EnginePage;
class QPoint;
class QWebEngineView;

// The engine's own context menu of a page's view, shown unless the shell suppresses it.
// Runs on the GUI thread; a child of the page's adapter.
class PageContextMenu : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PageContextMenu)

public:
    PageContextMenu(EnginePage *owner, QWebEngineView *view);

private:
    void onRequested(const QPoint &position);

    EnginePage &m_owner;
    QWebEngineView *m_view;
};
