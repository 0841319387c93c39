#pragma once

#include <QHash>
#include <QUrl>
#include <QWidget>

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
    // Installs every cookie of the table (name to value) for the address's
    // site; does not navigate.
    QIE(QWebEngineProfile *profile, const QString &url, const QHash<QString, QString> &cookieTable);

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
        QWebEngineProfile *profile, const QString &url, const QHash<QString, QString> &cookieTable);

    QString m_name;
    bool m_sawWinId = false;
    bool m_closeReported = false;
    QWebEngineView *m_view = nullptr;
};
