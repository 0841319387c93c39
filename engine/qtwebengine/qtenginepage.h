#pragma once

#include "engine/enginepage.h"

#include <QPointer>
#include <QWebEnginePage>
#include <QWindow>

#include <functional>
#include <memory>

class ClipboardGate;
class HangQuestionView;
class PageNotice;
class PageFullScreen;
class PagePermissions;
class PagePointerLock;
class QWebChannel;
class QWebEngineCertificateError;
class QWebEngineLoadingInfo;
class QWebEngineNavigationRequest;
class QWebEngineNewWindowRequest;
class QWebEngineProfile;
class QWebEngineView;
class ScriptDialogScheme;
class ShellWebPage;
struct PageOptions;

// A page of Qt WebEngine: a frameless top-level view with the shell's page in
// it, and the channel its bridge talks through.
// Runs on the GUI thread.
class QtEnginePage : public EnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY(QtEnginePage)

public:
    QtEnginePage(
        QWebEngineProfile *profile, ScriptDialogScheme *dialogScheme, const PageOptions &options);
    ~QtEnginePage() override;

    QWindow *window() const override;
    QUrl url() const override;
    void load(const QUrl &url) override;
    void loadHtml(const QString &html) override;
    void runJavaScript(const QString &code) override;
    void reloadBypassingCache() override;
    void setAudioMuted(bool muted) override;
    void setVisibleToPlayer(bool visible) override;
    void ping() override;
    bool endRenderer() override;
    void askAboutHang() override;
    void dropHangQuestion() override;
    void leaveFullScreen() override;
    bool holdsPointerLock() const override;
    bool isWaitingForPlayer() const override;

    QWebEngineView *view() const { return m_view.get(); }
    QWebEnginePage *webPage() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUpPage();
    void replacePage();
    void onLoadingChanged(const QWebEngineLoadingInfo &loading);
    void onDocumentMayHaveChanged();
    void onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status);
    void onNewWindowRequested(QWebEngineNewWindowRequest &request);
    void onNavigationRequested(QWebEngineNavigationRequest &request);
    void onCertificateError(const QWebEngineCertificateError &error);
    void onActiveChanged();
    void onLeaveChosen();
    void navigate(const std::function<void()> &navigation);
    void onWindowMade();
    void onPageVisibleChanged(bool visible);
    bool onWakeLock(const QString &what, const QString &lock, const QString &origin);
    bool isViewable() const;

    std::unique_ptr<QWebEngineView> m_view;
    ScriptDialogScheme *m_dialogScheme;
    ShellWebPage *m_page;
    QWebChannel *m_channel = nullptr;
    const bool m_pluginsAllowed;
    const bool m_scriptDialogs;
    PageNotice *m_notice;
    ClipboardGate *m_clipboard;
    PagePermissions *m_permissions;
    PagePointerLock *m_pointerLock;
    PageFullScreen *m_fullScreen;
    QPointer<HangQuestionView> m_hangQuestion;
    QPointer<QWindow> m_window;
    bool m_visibleToPlayer = true;
    // The shell's last load or reload, until the page starts loading: the
    // page's leave-page question may hold it back, and the player let it go.
    std::function<void()> m_heldNavigation;
};
