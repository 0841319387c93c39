#include "engine/chromium/chromiumscriptdialogs.h"

#include "engine/chromium/devtoolspipe.h"
#include "engine/enginelog.h"
#include "engine/enginepage.h"
#include "engine/pagerequests.h"

#include <QJsonObject>
#include <QUrl>

namespace {

ScriptDialogRequest::Kind kindOf(const QString &type)
{
    if (type == QLatin1String("confirm"))
        return ScriptDialogRequest::Kind::Confirm;
    if (type == QLatin1String("prompt"))
        return ScriptDialogRequest::Kind::Prompt;
    if (type == QLatin1String("beforeunload"))
        return ScriptDialogRequest::Kind::Leave;
    return ScriptDialogRequest::Kind::Alert;
}

} // namespace

ChromiumScriptDialogs::ChromiumScriptDialogs(
    DevToolsPipe *pipe, EnginePage *owner, bool showsDialogs)
    : m_pipe(pipe)
    , m_owner(*owner)
    , m_showsDialogs(showsDialogs)
{
}

void ChromiumScriptDialogs::onEvent(
    const QString &method, const QJsonObject &params, const QString &sessionId)
{
    if (method == QLatin1String("Page.javascriptDialogOpening")) {
        onOpening(params, sessionId);
    } else if (method == QLatin1String("Page.javascriptDialogClosed") && m_shown) {
        m_shown = false;
        emit m_owner.sgScriptDialogAnswered(false);
    }
}

// The browser has begun to draw its dialog as it tells it: a refused one goes again at once. The
// asking frame is named by its address, from which the shell takes its origin.
void ChromiumScriptDialogs::onOpening(const QJsonObject &params, const QString &sessionId)
{
    const ScriptDialogRequest::Kind kind = kindOf(params.value(QStringLiteral("type")).toString());
    ScriptDialogRequest request(kind, params.value(QStringLiteral("message")).toString(),
        QUrl(params.value(QStringLiteral("url")).toString()), m_owner.url(), true);
    if (m_showsDialogs)
        emit m_owner.sgScriptDialogRequested(request);
    // Without a dialog of the browser's own, the document would wait for an answer forever.
    const bool drawn = params.value(QStringLiteral("hasBrowserHandler")).toBool();
    if (request.isShown() && drawn) {
        m_shown = true;
        return;
    }
    if (request.isShown())
        qCWarning(lcEngine) << "Chromium cannot show the page's dialog: it is answered as refused";
    m_pipe->send(QStringLiteral("Page.handleJavaScriptDialog"),
        { { QStringLiteral("accept"), kind == ScriptDialogRequest::Kind::Leave } }, sessionId);
}
