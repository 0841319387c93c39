#pragma once

#include "app/originpolicy.h"

#include <QObject>
#include <QSet>

class CefFrame;
class QJsonValue;

// The native end of callQML, the one object a page reaches through the
// channel. The channel offers a page every public member of it, inherited
// ones too: the bridge call is the only one that does anything.
// Only documents of trusted origins are served: the main frame's own, as the
// engine reports its address, and for a call a sub-frame passed on, the origin
// the engine set on that frame's message as well.
// Runs on the GUI thread. Lives as long as its browser's channel.
class QCefV8Handler : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(QCefV8Handler)

public:
    QCefV8Handler(CefFrame *mainFrame, QObject *parent);

public slots:
    // Sends the bridge request message through the main frame; any argument
    // that is not a string counts as the empty string. frameOrigin: the
    // sub-frame's origin, empty for the main frame's own calls.
    void callQML(const QJsonValue &name, const QJsonValue &id, const QJsonValue &request,
        const QJsonValue &frameOrigin);

protected:
    // A page may ask for deleteLater: it is refused.
    bool event(QEvent *event) override;

private:
    void keepEmptyName();
    // The origin to refuse, or an empty text when the call may pass.
    QString refusedOrigin(const QString &frameOrigin);
    bool admits(const QString &frameOrigin);

    CefFrame *m_mainFrame;
    const OriginPolicy m_policy;
    // The main frame's address of the last check, and its verdict.
    QString m_checkedUrl;
    bool m_urlTrusted = false;
    // Refusals are logged once per origin.
    QSet<QString> m_refusedOrigins;
};
