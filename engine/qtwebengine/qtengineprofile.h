#pragma once

#include "engine/engineprofile.h"

#include <QList>
#include <QPointer>

class QWebEngineDownloadRequest;
class QWebEngineProfile;
class QtEnginePage;
class ScriptDialogScheme;

// A profile of Qt WebEngine, kept on disk.
// Runs on the GUI thread. Its pages go before the engine's profile, which
// must outlive every page of it.
class QtEngineProfile : public EngineProfile
{
    Q_OBJECT
    Q_DISABLE_COPY(QtEngineProfile)

public:
    // storagePath: cookies and local storage; cachePath: the disk cache.
    QtEngineProfile(const QString &storageName, const QString &storagePath,
        const QString &cachePath, QObject *parent);
    ~QtEngineProfile() override;

    // Stands in the user agent for the engine's own product tokens.
    void setProductVersion(const QString &productVersion);
    // Runs in the given script world of every frame of every page as its
    // documents are created.
    void addDocumentScript(const QString &name, const QString &source, quint32 world);

    EnginePage *createPage(const PageOptions &options) override;
    void setCookie(const QNetworkCookie &cookie, const QUrl &origin) override;
    void deleteCookie(const QNetworkCookie &cookie) override;
    void deleteAllCookies() override;
    void clearHttpCache() override;

    QWebEngineProfile *webProfile() const { return m_profile; }

private:
    void onDownloadRequested(QWebEngineDownloadRequest *request);

    QWebEngineProfile *m_profile;
    ScriptDialogScheme *m_dialogScheme;
    QList<QPointer<QtEnginePage>> m_pages;
};
