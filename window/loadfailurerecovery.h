#pragma once

#include "cef/cefrefptr.h"

#include <QObject>

class CefBrowser;
class QCefClient;
class QTimer;

// One window whose page could not be loaded: it shows the shell's error page
// instead and loads the failed address again, by itself after about 5 s, 15 s,
// 30 s and then every minute, or at once on the page's Retry link, until the
// address loads. Until the window has shown a page, and while it shows the
// error page, a load whose server has not answered within the answer limit
// has failed too: a server that takes the connection and never answers would
// otherwise keep the splash, or the error page, up for good. A server that
// answers is loading, however slowly its document and what it needs arrive:
// its page shows what has come (sgShowBeforeLoaded after the answer limit, for
// a window still hidden), and no error page replaces it. The Quit link, offered in
// the start-up window only, quits the program. The links count only while the
// window shows the error page: no other page can make the shell act by linking
// to them.
//
// Runs on the GUI thread; a child of the window's client, so it goes with it.
class LoadFailureRecovery : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(LoadFailureRecovery)

public:
    // The portal's pages load in about a second.
    static constexpr int kAnswerLimitMs = 20000;

    LoadFailureRecovery(const QString &windowName, bool canQuit, QCefClient *client,
        int answerLimitMs = kAnswerLimitMs);

    void showErrorPage(const QString &reason, const QString &address);
    bool isShowingErrorPage() const { return m_showing; }
    // The address the error page stands for.
    const QString &failedAddress() const { return m_address; }

signals:
    // The window should show although its page has not loaded: the error page
    // stands in for it, or it is loading slowly.
    void sgShowBeforeLoaded(CefRefPtr<CefBrowser> browser);

private:
    void onLoadFailed(const CefRefPtr<CefBrowser> &browser, int errorCode, const QString &errorText,
        const QString &url);
    void onLoadStart(const QString &url);
    void onLoadCommitted();
    void onLoadEnd();
    void onNoAnswer();
    void onShellLink(const QString &command);
    void retry();

    const QString m_windowName;
    const bool m_canQuit;
    QCefClient *m_client;
    QTimer *m_retryTimer;
    QTimer *m_answerTimer;
    int m_retries = 0;
    bool m_showing = false;
    bool m_loaded = false;
    // The server of the load the answer timer waits for has answered.
    bool m_answered = false;
    QString m_address;
    // The address of the load the answer timer waits for.
    QString m_loading;
};
