#pragma once

#include <QObject>

class EnginePage;
class QNetworkCookie;
class QUrl;

// How a page's window starts.
struct PageOptions
{
    QString windowTitle;
    static constexpr int kDefaultWidth = 800;
    static constexpr int kDefaultHeight = 600;

    // A side of 0 takes the default.
    int width = 0;
    int height = 0;
    bool visible = false;
    bool pluginsAllowed = false;
    // False: script dialogs get the answer that changes nothing, at once;
    // leaving the page is always allowed.
    bool scriptDialogs = true;
};

// Storage shared by a set of pages: cookies, cache, local storage.
// Runs on the GUI thread; the engine owns it.
class EngineProfile : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(EngineProfile)

public:
    using QObject::QObject;

    // A page in a frameless native top-level window of its own. The caller
    // owns it; what is left of it goes when the profile goes.
    virtual EnginePage *createPage(const PageOptions &options) = 0;

    // origin: the address whose pages get the cookie when it names no domain.
    virtual void setCookie(const QNetworkCookie &cookie, const QUrl &origin) = 0;
    virtual void deleteCookie(const QNetworkCookie &cookie) = 0;
    virtual void deleteAllCookies() = 0;
    // Runs in the engine's own threads.
    virtual void clearHttpCache() = 0;

signals:
    // Every cookie the profile holds, as it reads or sets it, and every
    // removal. Cookies of earlier runs are told once, as the first page loads.
    void sgCookieAdded(const QNetworkCookie &cookie);
    void sgCookieRemoved(const QNetworkCookie &cookie);
    // A page of the profile shows a notification; only origins granted
    // notifications get to.
    void sgNotification(const QString &title, const QString &message);
};
