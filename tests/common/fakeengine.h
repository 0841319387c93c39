#pragma once

#include "engine/browserengine.h"
#include "engine/enginepage.h"
#include "engine/engineprofile.h"
#include "engine/pagerequests.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWindow>

#include <memory>

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
    void ping() override { ++m_pings; }
    bool endRenderer() override;
    void askAboutHang() override { m_askingAboutHang = true; }
    void dropHangQuestion() override { m_askingAboutHang = false; }
    void leaveFullScreen() override { }
    bool holdsPointerLock() const override { return false; }
    bool isWaitingForPlayer() const override { return false; }

    // What the shell asked:
    const QList<QUrl> &loads() const { return m_loads; }
    const QString &html() const { return m_html; }
    const QStringList &scripts() const { return m_scripts; }
    bool isMuted() const { return m_muted; }
    int pings() const { return m_pings; }
    int endedRenderers() const { return m_endedRenderers; }
    bool isAskingAboutHang() const { return m_askingAboutHang; }

    // What the page tells, as the engine would:
    void commitLoad() { emit sgLoadCommitted(m_url); }
    // The player's answer to the question about a page that does not respond.
    void answerHangQuestion(HangChoice choice);
    void finishLoad(int httpStatus = 200) { emit sgLoadFinished(m_url, httpStatus); }
    void failLoad(int networkError, const QString &errorText);
    void endRenderer(RendererEnd end) { emit sgRendererEnded(end); }
    void answerPing() { emit sgPingAnswered(); }
    void callBridge(const QString &name, const QString &id, const QString &request);
    // True when the shell let the navigation go on.
    bool navigate(const QUrl &url);

    // Permissions, pointer lock and script dialogs, asked as the engine asks them; each returns
    // the request as the shell left it.
    PermissionRequest requestPermission(const QUrl &origin,
        const QVector<PermissionRequest::Feature> &features, const QString &name);
    PermissionsAhead askPermissionsAhead(const QUrl &url);
    PointerLockRequest requestPointerLock(const QUrl &origin, const PlayerGesture &gesture);
    // An alert of askingOrigin in the page as it stands.
    ScriptDialogRequest askScriptDialog(const QUrl &askingOrigin, bool canWait = true);
    void answerScriptDialog(bool stopDialogs) { emit sgScriptDialogAnswered(stopDialogs); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::unique_ptr<QWindow> m_window;
    QUrl m_url;
    QList<QUrl> m_loads;
    QString m_html;
    QStringList m_scripts;
    bool m_muted = false;
    int m_pings = 0;
    int m_endedRenderers = 0;
    bool m_askingAboutHang = false;
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
    void setCookie(const QNetworkCookie &, const QUrl &) override { }
    void deleteCookie(const QNetworkCookie &) override { }
    void deleteAllCookies() override { }
    void clearHttpCache() override { }

    // The pages made so far that still exist, oldest first.
    QList<FakePage *> pages() const;

private:
    QList<QPointer<FakePage>> m_pages;
};

// An engine that starts at once and renders nothing.
class FakeEngine : public BrowserEngine
{
public:
    bool start(const EngineSettings &settings) override;
    EngineProfile *profile() override { return m_profile.get(); }
    EngineProfile *legacyProfile(const QString &) override { return &m_legacyProfile; }
    QString chromiumVersion() const override { return QStringLiteral("0.0.0.0"); }

    FakeProfile *fakeProfile() const { return m_profile.get(); }
    const EngineSettings &settings() const { return m_settings; }

private:
    EngineSettings m_settings;
    std::unique_ptr<FakeProfile> m_profile;
    FakeProfile m_legacyProfile;
};
