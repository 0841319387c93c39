#pragma once

#include <QHash>
#include <QJsonObject>
#include <QObject>

class DevToolsPipe;
class QNetworkCookie;
class QTimer;
class QUrl;

// The cookies of one browser, changed over its pipe and followed by reading
// them all again, as the protocol tells no change of its own: after a page's
// load, after a response that sets one, after each change asked here, and
// every few seconds for those a script writes. The first read waits for the
// first page's load, which tells the cookies of earlier runs.
// Runs on the GUI thread; its profile owns it.
class ChromiumCookies : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ChromiumCookies)

public:
    explicit ChromiumCookies(DevToolsPipe *pipe, QObject *parent = nullptr);

    // origin: where a cookie that names no domain belongs.
    void set(const QNetworkCookie &cookie, const QUrl &origin);
    void remove(const QNetworkCookie &cookie);
    void removeAll();
    // Any event of the browser or of its pages' sessions.
    void onEvent(const QString &method, const QJsonObject &params);

signals:
    void sgAdded(const QNetworkCookie &cookie);
    void sgRemoved(const QNetworkCookie &cookie);

private:
    void change(const QString &method, const QJsonObject &params);
    void read();
    void onRead(const QJsonObject &result);

    DevToolsPipe *m_pipe;
    QTimer *m_poll;
    bool m_pageLoaded = false;
    bool m_reading = false;
    bool m_readAgain = false;
    // As the browser told them last, by what makes a cookie the same one.
    QHash<QString, QJsonObject> m_known;
};
