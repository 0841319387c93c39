#pragma once

#include "app/originpolicy.h"

#include <QObject>
#include <QSet>

struct BridgeCall;

// The native end of callQML for the pages of one browser. A call is served
// only when both the document that made it and the main frame's document
// that took it are of trusted origins, as the engine reports them for those
// documents: a page on its way out is judged as itself, whatever address its
// window already shows. Admitted calls reach the dispatcher in turns with the
// other browsers' (BridgeTurns).
// Runs on the GUI thread. Lives as long as its browser.
class QCefV8Handler : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(QCefV8Handler)

public:
    explicit QCefV8Handler(QObject *parent);

    // Turns an admitted call into the bridge request message.
    void callQML(const BridgeCall &call);

signals:
    void sgProcessMessage(const QString &message);

private:
    bool admits(const BridgeCall &call);
    // The origin to refuse, or an empty text when the call may pass.
    QString refusedOrigin(const BridgeCall &call) const;

    const OriginPolicy m_policy;
    // Refusals are logged once per origin.
    QSet<QString> m_refusedOrigins;
};
