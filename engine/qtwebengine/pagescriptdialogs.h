#pragma once

#include "engine/pagerequests.h"
#include "engine/qtwebengine/scriptdialog.h"

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QWebEngineUrlRequestInterceptor>

class EnginePage;
class QWebEnginePage;
class ScriptDialogScheme;
class QWebEngineUrlRequestJob;

// The script dialogs of one page. A document asks through the dialog scheme
// and waits in its own renderer; the player answers whenever they get to it,
// one dialog at a time in the order asked; a window out of sight shows its
// dialog when it comes back. The engine's own dialog calls would hold every
// window until answered: they get the answer that changes nothing, at once.
// So does its leave-page question: the page stays, and the player is asked
// whether to leave; if so, the page's next leave goes unasked. Which dialogs show is the shell's
// to say, asked of each.
// As the page's request interceptor it tells the scheme which requests are
// this page's.
// Runs on the GUI thread; a child of its page.
class PageScriptDialogs : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
    Q_DISABLE_COPY(PageScriptDialogs)

public:
    // showsDialogs false: every dialog gets the answer that changes nothing, at once.
    // owner: the page whose requests ask the shell.
    PageScriptDialogs(
        QWebEnginePage *page, EnginePage *owner, bool showsDialogs, ScriptDialogScheme *scheme);

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;
    // A question of one of the page's documents, answered through the job.
    void ask(QWebEngineUrlRequestJob *job);
    // A question the engine needs answered before it goes on.
    void judgeAtOnce(
        ScriptDialogRequest::Kind kind, const QUrl &securityOrigin, const QString &message);
    // The engine's leave-page question: true to let the page go now.
    bool judgeLeaving(const QUrl &securityOrigin);
    // A document of the page waits for the player.
    bool isWaitingForPlayer() const;

signals:
    // The player chose to leave a page that had stayed.
    void sgLeaveChosen();

private:
    void showNext();
    void onAnswered(const ScriptDialog::Answer &answer);
    void onLeaveAnswered(const ScriptDialog::Answer &answer);
    void noteAnswer(const ScriptDialog::Answer &answer);
    static void reply(QWebEngineUrlRequestJob *job, const ScriptDialog::Answer &answer);
    ScriptDialogRequest judge(ScriptDialogRequest::Kind kind, const QString &message,
        const QUrl &askingOrigin, bool canWait);
    void dropEnded();

    QWebEnginePage *m_page;
    EnginePage &m_owner;
    ScriptDialogScheme *m_scheme;
    const bool m_showsDialogs;
    // The first is the one on screen while m_open is.
    QList<QPointer<QWebEngineUrlRequestJob>> m_waiting;
    QPointer<ScriptDialog> m_open;
    QPointer<ScriptDialog> m_leaveQuestion;
    // When the player last chose to leave; invalid once used.
    QElapsedTimer m_leaveChosen;
};
