#pragma once

#include <QObject>
#include <QPointer>
#include <QWebEngineFullScreenRequest>

class EnginePage;
class FullScreenAnswer;
class PageNotice;
class QWebEnginePage;
class QWidget;

// A page's element filling the screen, or leaving it: asked of the shell, which may have the
// player told who fills the screen.
// Runs on the GUI thread; a child of the page's adapter.
class PageFullScreen : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PageFullScreen)

public:
    PageFullScreen(EnginePage *owner, QWidget *view, PageNotice *notice);

    // The engine's page that asks; a page that takes an ended one's place asks anew.
    void setPage(QWebEnginePage *page);
    void leave();

private:
    void onRequested(QWebEngineFullScreenRequest request);

    EnginePage &m_owner;
    QWidget *m_view;
    PageNotice *m_notice;
    QPointer<QWebEnginePage> m_page;
    QPointer<FullScreenAnswer> m_answer;
};
