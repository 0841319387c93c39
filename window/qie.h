#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

class EnginePage;
class EngineProfile;
class QNetworkCookie;
class QWindow;

// A legacy window's content: a page of its own kind, on the legacy store, that
// starts with the cookies the engine windows collected. Its native window is
// put into a scene window; when that goes, sgClose reports it.
// Runs on the GUI thread. Has no QObject parent; the window manager deletes it
// after sgClose.
class QIE : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(QIE)

public:
    // Installs the cookies, each with its own domain, path and flags, for the
    // address's site; does not navigate.
    QIE(EngineProfile &profile, const QString &url, const QList<QNetworkCookie> &cookies);
    ~QIE() override;

    void navigate(const QString &url);
    void setName(const QString &name);
    EnginePage *page() const { return m_page; }
    QWindow *window() const;

    // Scheme, host and port of an http or https address; empty otherwise.
    static QUrl cookieUrl(const QString &url);

signals:
    void sgClose(const QString &objectName);

private:
    void reportClosed();

    QString m_name;
    bool m_closeReported = false;
    QPointer<EnginePage> m_page;
};
