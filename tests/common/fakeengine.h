#pragma once

#include "engine/browserengine.h"
#include "engine/enginepage.h"
#include "engine/engineprofile.h"
#include "engine/pagerequests.h"

#include <QList>
#include <QNetworkCookie>
#include <QPair>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWindow>

#include <memory>

class FakeDownload;
class FullScreenRequest;

// A page with no engine behind it: a plain window, what the shell asked of it
// recorded, and what a page tells played by the test.
// Runs on the GUI thread.
class FakePage : public EnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY(FakePage)

public:
    explicit FakePage(const PageOptions &options);
    ~FakePage() override;

    QWindow *window() const override { return m_window.get(); }
    QUrl url() const override { return m_url; }
    void load(const QUrl &url) override;
    void loadHtml(const QString &html) override;
    void runJavaScript(const QString &code) override { m_scripts.append(code); }
    void reloadBypassingCache() override { load(m_url); }
    void setAudioMuted(bool muted) override { m_muted = muted; }
    void setVisibleToPlayer(bool visible) override { m_visibleToPlayer = visible; }
    void ping() override { ++m_pings; }
    bool endRenderer() override;
    void askAboutHang() override { m_askingAboutHang = true; }
    void dropHangQuestion() override { m_askingAboutHang = false; }
    void leaveFullScreen() override { ++m_fullScreenLeaves; }
    bool holdsPointerLock() const override { return m_holdingPointerLock; }
    bool isWaitingForPlayer() const override { return false; }

    // What the shell asked:
    const QList<QUrl> &loads() const { return m_loads; }
    const QString &html() const { return m_html; }
    const QStringList &scripts() const { return m_scripts; }
    bool isMuted() const { return m_muted; }
    bool isVisibleToPlayer() const { return m_visibleToPlayer; }
    int pings() const { return m_pings; }
    int endedRenderers() const { return m_endedRenderers; }
    bool isAskingAboutHang() const { return m_askingAboutHang; }
    int fullScreenLeaves() const { return m_fullScreenLeaves; }
    int finishedLoads() const { return m_finishedLoads; }
    // Forgets the scripts run so far.
    void clearScripts() { m_scripts.clear(); }

    // What the page tells, as the engine would:
    void commitLoad() { emit sgLoadCommitted(m_url); }
    // The player's answer to the question about a page that does not respond.
    void answerHangQuestion(HangChoice choice);
    void finishLoad(int httpStatus = 200);
    void failLoad(int networkError, const QString &errorText);
    void endRenderer(RendererEnd end) { emit sgRendererEnded(end); }
    void answerPing() { emit sgPingAnswered(); }
    void callBridge(const QString &name, const QString &id, const QString &request);
    // True when the shell let the navigation go on.
    bool navigate(const QUrl &url, bool mainFrame = true);

    // Requests as the engine raises them, each with who asked as the engine reports it:
    // A new window, asked for by the document the player clicked or typed in last
    // (actingOrigin; the main frame's when empty), with or without the player's gesture.
    void requestPopup(const QUrl &url, bool userGesture, const QString &actingOrigin = QString());
    // An element of a document of origin (the main frame's when empty) asks to fill the screen,
    // or to leave it; the request as the shell left it.
    FullScreenRequest requestFullScreen(bool on, const QUrl &origin = QUrl());
    // targets: ContextMenuRequest::Target flags. True when the menu would show.
    bool openContextMenu(int targets);
    void requestClose() { emit sgCloseRequested(); }
    // The page's element has the pointer locked, or has let it go.
    void holdPointerLock(bool held) { m_holdingPointerLock = held; }
    void takeFocus() { emit sgFocused(); }
    // callQML from a document of origin, in a frame of this page.
    void callBridgeFrom(
        const QString &origin, const QString &name, const QString &id, const QString &request);
    // The page's download, which the shell accepted or cancelled before this returns;
    // totalBytes 0 or negative for an unknown size.
    FakeDownload *startDownload(
        const QUrl &url, const QString &suggestedFileName, qint64 totalBytes = -1);
    // Every load from now on answers 200 on a later turn, as a server would.
    void setServing(bool serving) { m_serving = serving; }

    // Permissions, pointer lock and script dialogs, asked as the engine asks them; each returns
    // the request as the shell left it.
    PermissionRequest requestPermission(const QUrl &origin,
        const QVector<PermissionRequest::Feature> &features, const QString &name);
    PermissionsAhead askPermissionsAhead(const QUrl &url);
    PointerLockRequest requestPointerLock(const QUrl &origin, const PlayerGesture &gesture);
    // An alert of askingOrigin in the page as it stands.
    ScriptDialogRequest askScriptDialog(const QUrl &askingOrigin, bool canWait = true);
    void answerScriptDialog(bool stopDialogs) { emit sgScriptDialogAnswered(stopDialogs); }
    // A document of origin asks for the screen wake lock named lock: true when granted.
    bool requestWakeLock(const QUrl &origin, const QString &lock);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::unique_ptr<QWindow> m_window;
    QUrl m_url;
    QList<QUrl> m_loads;
    QString m_html;
    QStringList m_scripts;
    bool m_muted = false;
    bool m_visibleToPlayer = true;
    int m_pings = 0;
    int m_endedRenderers = 0;
    bool m_askingAboutHang = false;
    int m_fullScreenLeaves = 0;
    int m_finishedLoads = 0;
    bool m_serving = false;
    bool m_holdingPointerLock = false;
};

// Pages of the fake engine, every one of them known to the test.
class FakeProfile : public EngineProfile
{
    Q_OBJECT
    Q_DISABLE_COPY(FakeProfile)

public:
    using EngineProfile::EngineProfile;
    ~FakeProfile() override;

    EnginePage *createPage(const PageOptions &options) override;
    // Each is told back as the engine tells a change of its store.
    void setCookie(const QNetworkCookie &cookie, const QUrl &origin) override;
    void deleteCookie(const QNetworkCookie &cookie) override;
    void deleteAllCookies() override { ++m_cookieClearings; }
    void clearHttpCache() override { ++m_cacheClearings; }

    // What the shell asked of the store: the cookies set with the address each was set for,
    // oldest first, and the cookies it deleted.
    const QList<QPair<QNetworkCookie, QUrl>> &cookiesSet() const { return m_cookiesSet; }
    const QList<QNetworkCookie> &cookiesDeleted() const { return m_cookiesDeleted; }
    int cookieClearings() const { return m_cookieClearings; }
    int cacheClearings() const { return m_cacheClearings; }
    // A cookie that comes or goes by the pages' own doing, as a server's Set-Cookie would.
    void addCookie(const QNetworkCookie &cookie) { emit sgCookieAdded(cookie); }
    void removeCookie(const QNetworkCookie &cookie) { emit sgCookieRemoved(cookie); }

    // The pages made so far that still exist, oldest first.
    QList<FakePage *> pages() const;
    // The page whose window was put into window; null when none was.
    FakePage *pageIn(const QWindow *window) const;
    // Pages made from now on answer their loads (FakePage::setServing).
    void setServing(bool serving) { m_serving = serving; }

private:
    QList<QPointer<FakePage>> m_pages;
    bool m_serving = false;
    QList<QPair<QNetworkCookie, QUrl>> m_cookiesSet;
    QList<QNetworkCookie> m_cookiesDeleted;
    int m_cookieClearings = 0;
    int m_cacheClearings = 0;
};

// An engine that starts at once and renders nothing.
class FakeEngine : public BrowserEngine
{
public:
    bool start(const EngineSettings &settings) override;
    EngineProfile *profile() override { return m_profile.get(); }
    EngineProfile *legacyProfile(const QString &) override { return &m_legacyProfile; }
    QString chromiumVersion() const override { return QStringLiteral("0.0.0.0"); }
    QString httpCacheFolder(const QString &cachePath) const override
    {
        return cachePath + QStringLiteral("/Cache");
    }

    FakeProfile *fakeProfile() const { return m_profile.get(); }
    FakeProfile *fakeLegacyProfile() { return &m_legacyProfile; }
    const EngineSettings &settings() const { return m_settings; }

private:
    EngineSettings m_settings;
    std::unique_ptr<FakeProfile> m_profile;
    FakeProfile m_legacyProfile;
};
