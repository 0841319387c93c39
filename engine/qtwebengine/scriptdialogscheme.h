#pragma once

#include <QHash>
#include <QPointer>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

class PageScriptDialogs;

// Where a page's script dialogs reach the shell without holding up the engine:
// the page's script asks with a synchronous request to this scheme, so the
// asking document waits in its own renderer while the engine, the shell and
// every other page go on; the player's answer is the reply. The engine's own
// dialog calls would hold the whole program until answered.
// A request counts only for the page whose engine saw it leave (expect()):
// the window is the engine's word, never the request's.
// Runs on the GUI thread; one per profile, owned by it.
class ScriptDialogScheme : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
    Q_DISABLE_COPY(ScriptDialogScheme)

public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    static QByteArray name();
    // Before the engine's first profile; later calls change nothing.
    static void registerScheme();

    // A page's engine is sending the request.
    void expect(const QUrl &request, PageScriptDialogs *dialogs);
    void requestStarted(QWebEngineUrlRequestJob *job) override;

private:
    // Each request's address is its own (the script makes it so).
    QHash<QUrl, QPointer<PageScriptDialogs>> m_expected;
};
