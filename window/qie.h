#pragma once

#include <QList>
#include <QUrl>
#include <QWidget>

class QNetworkCookie;
class QWebEngineProfile;
class QWebEngineView;

// A legacy window's content: a browser of its own kind, on the legacy store,
// that starts with the cookies the engine windows collected. Its native
// window is put into a scene window; when that goes, sgClose reports it.
// Runs on the GUI thread. Has no QObject parent; the window manager deletes it
// after sgClose.
class QIE : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(QIE)

public:
    // Installs the cookies, each with its own domain, path and flags, for the
    // address's site; does not navigate.
    QIE(QWebEngineProfile *profile, const QString &url, const QList<QNetworkCookie> &cookies);

    void navigate(const QString &url);
    void setName(const QString &name);

    // Scheme, host and port of an http or https address; empty otherwise.
    static QUrl cookieUrl(const QString &url);

signals:
    void sgClose(const QString &objectName);

protected:
    bool event(QEvent *event) override;

private:
    void setCookies(
        QWebEngineProfile *profile, const QString &url, const QList<QNetworkCookie> &cookies);

    QString m_name;
    bool m_sawWinId = false;
    bool m_closeReported = false;
    QWebEngineView *m_view = nullptr;
};
