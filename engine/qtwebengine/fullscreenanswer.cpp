#include "engine/qtwebengine/fullscreenanswer.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace {

constexpr int kLongestWaitMs = 1000;

} // namespace

FullScreenAnswer::FullScreenAnswer(
    QWidget *view, const QWebEngineFullScreenRequest &request, QObject *page)
    : QObject(page)
    , m_view(view)
    , m_request(request)
{
    if (viewHasItsWindowSize()) {
        answerNow();
        return;
    }
    m_view->installEventFilter(this);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &FullScreenAnswer::answerNow);
    m_deadline.start(kLongestWaitMs);
}

void FullScreenAnswer::answerNow()
{
    if (m_answered)
        return;
    m_answered = true;
    m_deadline.stop();
    m_view->removeEventFilter(this);
    m_request.accept();
    deleteLater();
}

// The engine takes the page's size from the view.
bool FullScreenAnswer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && viewHasItsWindowSize())
        QTimer::singleShot(0, this, &FullScreenAnswer::answerNow);
    return QObject::eventFilter(watched, event);
}

// A view put into a window of the shell fills it; that window has its new size at once, and
// the view's own window a turn later.
bool FullScreenAnswer::viewHasItsWindowSize() const
{
    const QWindow *window = m_view->windowHandle();
    if (window && window->parent())
        window = window->parent();
    return !window || window->size() == m_view->size();
}
