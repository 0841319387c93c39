#pragma once

#include "cef/rendererwatchdog.h"
#include "engine/enginepage.h"

#include <QObject>

// A page on screen that stops responding is asked about, as browsers do, not
// ended: once its renderer has not answered for the watchdog's limit, the
// page shows the shell's question whether to wait or reload. Wait keeps the
// page and asks again only after another whole limit; a page that answers
// again takes the question away by itself; Reload is told by sgReloadChosen,
// and the page is brought back as after a crash.
// Runs on the GUI thread; a child of the page, so it goes with it.
class HangQuestion : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(HangQuestion)

public:
    explicit HangQuestion(EnginePage *page, int limitMs = RendererWatchdog::kUnansweredLimitMs);

signals:
    void sgReloadChosen();

private:
    void onUnanswered();
    void onAnsweredAgain();
    void onAnswered(EnginePage::HangChoice choice);
    void log(const QString &what) const;

    EnginePage &m_page;
    RendererWatchdog *m_watchdog;
    bool m_asking = false;
};
