#pragma once

#include "cef/cefrefptr.h"

#include <QObject>

class CefBrowser;
class QCefClient;
class QTimer;

// One window whose page could not be loaded: it shows the shell's error page
// instead and loads the failed address again, by itself after about 5 s, 15 s,
// 30 s and then every minute, or at once on the page's Retry link, until the
// address loads. The Quit link, offered in the start-up window only, quits the
// program. The links count only while the window shows the error page: no
// other page can make the shell act by linking to them.
// Runs on the GUI thread; a child of the window's client, so it goes with it.
class LoadFailureRecovery : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(LoadFailureRecovery)

public:
    LoadFailureRecovery(const QString &windowName, bool canQuit, QCefClient *client);

    void showErrorPage(const QString &reason, const QString &address);
    bool isShowingErrorPage() const { return m_showing; }
    // The address the error page stands for.
    const QString &failedAddress() const { return m_address; }

signals:
    void sgErrorPageShown(CefRefPtr<CefBrowser> browser);

private:
    void onLoadFailed(const CefRefPtr<CefBrowser> &browser, int errorCode, const QString &errorText,
        const QString &url);
    void onLoadEnd();
    void onShellLink(const QString &command);
    void retry();

    const QString m_windowName;
    const bool m_canQuit;
    QCefClient *m_client;
    QTimer *m_retryTimer;
    int m_retries = 0;
    bool m_showing = false;
    QString m_address;
};
