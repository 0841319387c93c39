#pragma once

#include <QObject>
#include <QTimer>
#include <QWebEngineFullScreenRequest>

class QWidget;

// The engine tells the page that it is in full screen, or out of it, as soon as the request is
// accepted, with the size the view had then. A browser tells it once its window has the new
// size, and games size their canvas in fullscreenchange. So the accepted request is answered
// once the view has taken the size the shell gave its window (within a second at most).
// Runs on the GUI thread; lives no longer than the page the request is for.
class FullScreenAnswer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(FullScreenAnswer)

public:
    FullScreenAnswer(QWidget *view, const QWebEngineFullScreenRequest &request, QObject *page);

    // Answers at once, when a later request of the page comes first.
    void answerNow();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool viewHasItsWindowSize() const;

    QWidget *m_view;
    QWebEngineFullScreenRequest m_request;
    QTimer m_deadline;
    bool m_answered = false;
};
