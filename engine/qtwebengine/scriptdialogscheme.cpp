#include "engine/qtwebengine/scriptdialogscheme.h"

#include "engine/qtwebengine/pagescriptdialogs.h"

#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

QByteArray ScriptDialogScheme::name()
{
    return QByteArrayLiteral("lumen-dialog");
}

// Secure, so that https pages may ask; exempt from the page's content security
// policy, which governs the page's own traffic and not its dialogs; reachable
// from every origin, the engine adding the answers' cross-origin headers.
void ScriptDialogScheme::registerScheme()
{
    static const bool registered = [] {
        QWebEngineUrlScheme scheme(name());
        scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
        scheme.setFlags(QWebEngineUrlScheme::SecureScheme
            | QWebEngineUrlScheme::ContentSecurityPolicyIgnored | QWebEngineUrlScheme::CorsEnabled);
        QWebEngineUrlScheme::registerScheme(scheme);
        return true;
    }();
    Q_UNUSED(registered);
}

void ScriptDialogScheme::expect(const QUrl &request, PageScriptDialogs *dialogs)
{
    // Requests of pages that went before their request arrived.
    m_expected.removeIf([](const auto &expected) { return !expected.value(); });
    m_expected.insert(request, dialogs);
}

void ScriptDialogScheme::requestStarted(QWebEngineUrlRequestJob *job)
{
    const QPointer<PageScriptDialogs> dialogs = m_expected.take(job->requestUrl());
    if (!dialogs) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    dialogs->ask(job);
}
