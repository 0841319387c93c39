#pragma once

#include <QSet>
#include <QString>

// Which of a page's script dialogs (alert, confirm, prompt, the leave-page
// question) the player gets to see. As in browsers, a frame of another origin
// than the page's shows none: its dialogs are answered as cancelled and
// logged once per origin. So is a dialog that cannot wait for the player
// without holding up every other window. A page that asks again and again soon after each
// answer is given the player's way out: from the third such dialog on, the
// dialog offers to stop this page's dialogs, which then go unanswered until
// the page loads another document.
// Runs on the GUI thread.
class ScriptDialogGuard
{
public:
    enum class Verdict { Show, ShowWithStopOffer, Cancel };

    // Times in milliseconds of any steady clock.
    Verdict judge(const QString &askingOrigin, const QString &pageOrigin, qint64 now, bool canWait);
    void answered(qint64 now);
    void stopDialogs();
    // The page's next document starts with nothing held against it.
    void reset();

    // Within this long after the last answer, the next dialog counts as "in a row".
    static constexpr qint64 kInARowMs = 3000;
    static constexpr int kDialogsBeforeStopOffer = 2;

private:
    QSet<QString> m_loggedOrigins;
    qint64 m_lastAnswer = -1;
    int m_inARow = 0;
    bool m_stopped = false;
};
