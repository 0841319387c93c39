#pragma once

#include "app/originpolicy.h"

#include <QObject>
#include <QSet>

class CefBrowser;
struct BridgeCall;

// The native end of callQML for the pages of one browser. Only documents of
// trusted origins are served: the main frame's own, as the engine reports its
// address, and for a call a sub-frame passed on, the origin the engine set on
// that frame's message as well.
// Runs on the GUI thread. Lives as long as its browser.
class QCefV8Handler : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(QCefV8Handler)

public:
    QCefV8Handler(const CefBrowser &browser, QObject *parent);

    // Turns an admitted call into the bridge request message.
    void callQML(const BridgeCall &call);

signals:
    void sgProcessMessage(const QString &message);

private:
    bool admits(const QString &frameOrigin);
    // The origin to refuse, or an empty text when the call may pass.
    QString refusedOrigin(const QString &frameOrigin);

    const CefBrowser &m_browser;
    const OriginPolicy m_policy;
    // The main frame's address of the last check, and its verdict.
    QString m_checkedUrl;
    bool m_urlTrusted = false;
    // Refusals are logged once per origin.
    QSet<QString> m_refusedOrigins;
};
