#pragma once

#include <QElapsedTimer>
#include <QObject>

class EnginePage;
class QTimer;

// Tells when a page on screen stops answering: while the page's window and
// every window around it are visible, its render process is asked for a sign
// of life a few times per limit, and sgUnanswered comes when none came for the
// whole limit, and sgAnsweredAgain when a page reported so gives one again. A
// hidden page is not asked and its time does not count: the engine may hold
// back work of pages nobody sees. Nor does the time a page waits for the
// player to answer its script dialog.
// Runs on the GUI thread; a child of the page, so it goes with it.
class RendererWatchdog : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(RendererWatchdog)

public:
    // Generous: a game may build its level in one long script on a slow machine.
    static constexpr int kUnansweredLimitMs = 30000;

    explicit RendererWatchdog(EnginePage *page, int limitMs = kUnansweredLimitMs);

    // The time without an answer counts afresh: the next report takes a whole limit.
    void restart() { m_waiting.invalidate(); }

signals:
    void sgUnanswered();
    void sgAnsweredAgain();

private:
    void onTick();
    void onPingAnswered();
    bool isShown() const;

    EnginePage &m_page;
    const int m_limitMs;
    QTimer *m_tick;
    // Since the oldest ping still unanswered; invalid while none is.
    QElapsedTimer m_waiting;
    bool m_reported = false;
};
