#pragma once

#include <QElapsedTimer>
#include <QObject>

class EnginePage;
class QTimer;

// Tells when a page on screen stops answering: while the page's window and
// every window around it are visible, its render process is asked for a sign
// of life a few times per limit, and sgUnanswered comes when none came for the
// whole limit. A hidden page is not asked and its time does not count: the
// engine may hold back work of pages nobody sees. Nor does the time a page
// waits for the player to answer its script dialog.
// Runs on the GUI thread; a child of the page, so it goes with it.
class RendererWatchdog : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(RendererWatchdog)

public:
    // Far beyond any pause of a working page: the portal's own scripts never
    // hold their renderer for more than a fraction of a second.
    static constexpr int kUnansweredLimitMs = 15000;

    explicit RendererWatchdog(EnginePage *page, int limitMs = kUnansweredLimitMs);

signals:
    void sgUnanswered();

private:
    void onTick();
    bool isShown() const;

    EnginePage &m_page;
    const int m_limitMs;
    QTimer *m_tick;
    // Since the oldest ping still unanswered; invalid while none is.
    QElapsedTimer m_waiting;
};
