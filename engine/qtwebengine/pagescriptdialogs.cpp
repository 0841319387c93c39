#include "engine/qtwebengine/pagescriptdialogs.h"

#include "engine/enginepage.h"
#include "engine/qtwebengine/scriptdialogscheme.h"
#include "engine/qtwebengine/securityorigin.h"

#include <QBuffer>
#include <QUrlQuery>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineView>

namespace {

// The player's choice to leave holds for the page's next try, made by the shell
// at once or by the player again soon.
constexpr qint64 kLeaveChoiceMs = 30000;

ScriptDialog::Kind kindOf(const QString &path)
{
    if (path == QLatin1String("confirm"))
        return ScriptDialog::Kind::Confirm;
    if (path == QLatin1String("prompt"))
        return ScriptDialog::Kind::Prompt;
    return ScriptDialog::Kind::Alert;
}

ScriptDialogRequest::Kind requestKind(ScriptDialog::Kind kind)
{
    switch (kind) {
    case ScriptDialog::Kind::Confirm:
        return ScriptDialogRequest::Kind::Confirm;
    case ScriptDialog::Kind::Prompt:
        return ScriptDialogRequest::Kind::Prompt;
    case ScriptDialog::Kind::Alert:
        break;
    }
    return ScriptDialogRequest::Kind::Alert;
}

} // namespace

PageScriptDialogs::PageScriptDialogs(
    QWebEnginePage *page, EnginePage *owner, bool showsDialogs, ScriptDialogScheme *scheme)
    : QWebEngineUrlRequestInterceptor(page)
    , m_page(page)
    , m_owner(*owner)
    , m_scheme(scheme)
    , m_showsDialogs(showsDialogs)
{
    connect(page, &QWebEnginePage::loadStarted, this, [this] { m_leaveChosen.invalidate(); });
}

// Only the dialog script's own requests count: an address of the scheme in a
// link, a frame or an image asks nothing.
void PageScriptDialogs::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    if (info.requestUrl().scheme().toLatin1() != ScriptDialogScheme::name())
        return;
    if (info.resourceType() != QWebEngineUrlRequestInfo::ResourceTypeXhr) {
        info.block(true);
        return;
    }
    m_scheme->expect(info.requestUrl(), this);
}

void PageScriptDialogs::ask(QWebEngineUrlRequestJob *job)
{
    m_waiting.append(job);
    // The document gave up waiting: it went, or its renderer did.
    connect(job, &QObject::destroyed, this, &PageScriptDialogs::showNext);
    showNext();
}

void PageScriptDialogs::judgeAtOnce(
    ScriptDialogRequest::Kind kind, const QUrl &securityOrigin, const QString &message)
{
    if (m_showsDialogs)
        judge(kind, message, securityOrigin, false);
}

bool PageScriptDialogs::judgeLeaving(const QUrl &securityOrigin)
{
    if (m_leaveChosen.isValid() && m_leaveChosen.elapsed() < kLeaveChoiceMs) {
        m_leaveChosen.invalidate();
        return true;
    }
    QWidget *view = QWebEngineView::forPage(m_page);
    if (!m_showsDialogs || !view)
        return true;
    // A page waiting for its own dialog stays until it has its answer.
    if (m_open || m_leaveQuestion)
        return false;
    const QString question = tr("Leave this page? Changes you made may not be saved.");
    const ScriptDialogRequest request
        = judge(ScriptDialogRequest::Kind::Leave, question, securityOrigin, true);
    if (!request.isShown())
        return true;
    m_leaveQuestion = ScriptDialog::open(view,
        { ScriptDialog::Kind::Confirm, SecurityOrigin::text(securityOrigin), question, QString(),
            request.offersStop() });
    connect(m_leaveQuestion, &ScriptDialog::sgAnswered, this, &PageScriptDialogs::onLeaveAnswered);
    return false;
}

bool PageScriptDialogs::isWaitingForPlayer() const
{
    for (const QPointer<QWebEngineUrlRequestJob> &job : m_waiting) {
        if (job)
            return true;
    }
    return false;
}

void PageScriptDialogs::showNext()
{
    dropEnded();
    while (!m_open && !m_leaveQuestion && !m_waiting.isEmpty()) {
        QWebEngineUrlRequestJob *job = m_waiting.constFirst();
        const QUrlQuery query(job->requestUrl());
        const ScriptDialog::Kind kind = kindOf(job->requestUrl().path());
        const QString message = query.queryItemValue(QStringLiteral("message"), QUrl::FullyDecoded);
        const ScriptDialogRequest request
            = judge(requestKind(kind), message, job->initiator(), true);
        QWidget *view = QWebEngineView::forPage(m_page);
        if (!m_showsDialogs || !request.isShown() || !view) {
            m_waiting.removeFirst();
            reply(job, {});
            continue;
        }
        m_open = ScriptDialog::open(view,
            { kind, SecurityOrigin::text(job->initiator()), message,
                query.queryItemValue(QStringLiteral("default"), QUrl::FullyDecoded),
                request.offersStop() });
        connect(m_open, &ScriptDialog::sgAnswered, this, &PageScriptDialogs::onAnswered);
    }
}

void PageScriptDialogs::onAnswered(const ScriptDialog::Answer &answer)
{
    m_open = nullptr;
    noteAnswer(answer);
    if (!m_waiting.isEmpty()) {
        if (QWebEngineUrlRequestJob *job = m_waiting.takeFirst())
            reply(job, answer);
    }
    showNext();
}

void PageScriptDialogs::onLeaveAnswered(const ScriptDialog::Answer &answer)
{
    m_leaveQuestion = nullptr;
    noteAnswer(answer);
    if (answer.accepted) {
        m_leaveChosen.start();
        emit sgLeaveChosen();
    }
    showNext();
}

void PageScriptDialogs::noteAnswer(const ScriptDialog::Answer &answer)
{
    emit m_owner.sgScriptDialogAnswered(answer.stopDialogs);
}

// "1" and the text for an accepted dialog, "0" for a cancelled one.
void PageScriptDialogs::reply(QWebEngineUrlRequestJob *job, const ScriptDialog::Answer &answer)
{
    auto *body = new QBuffer(job);
    body->setData(answer.accepted ? "1" + answer.text.toUtf8() : QByteArray("0"));
    body->open(QIODevice::ReadOnly);
    job->reply(QByteArrayLiteral("text/plain;charset=utf-8"), body);
}

ScriptDialogRequest PageScriptDialogs::judge(
    ScriptDialogRequest::Kind kind, const QString &message, const QUrl &askingOrigin, bool canWait)
{
    ScriptDialogRequest request(kind, message, askingOrigin, m_page->url(), canWait);
    emit m_owner.sgScriptDialogRequested(request);
    return request;
}

// A dialog whose document stopped waiting goes unanswered.
void PageScriptDialogs::dropEnded()
{
    if (m_open && !m_waiting.isEmpty() && !m_waiting.constFirst()) {
        m_open->deleteLater();
        m_open = nullptr;
    }
    m_waiting.removeAll(nullptr);
}
