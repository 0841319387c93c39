#pragma once

#include "cef/enginepage.h"

#include <QPointer>
#include <QWebEnginePage>

#include <functional>
#include <memory>

class FullScreenAnswer;
class HangQuestionView;
class QWebChannel;
class PointerLockNotice;
class QWebEngineCertificateError;
class QWebEngineFullScreenRequest;
class QWebEngineLoadingInfo;
class QWebEngineNavigationRequest;
class QWebEngineNewWindowRequest;
class QWebEngineProfile;
class QWebEngineView;
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
    QtEnginePage(QWebEngineProfile *profile, const PageOptions &options);
    ~QtEnginePage() override;

    QWindow *window() const override;
    QUrl url() const override;
    void load(const QUrl &url) override;
    void loadHtml(const QString &html) override;
    void runJavaScript(const QString &code) override;
    void reloadBypassingCache() override;
    void setAudioMuted(bool muted) override;
    void ping() override;
    bool endRenderer() override;
    void askAboutHang() override;
    void dropHangQuestion() override;
    void leaveFullScreen() override;
    bool holdsPointerLock() const override;

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
    void onFeaturePermissionRequested(const QUrl &origin, QWebEnginePage::Feature feature);
    void answerPermissionsAhead(const QUrl &url);
    void onCertificateError(const QWebEngineCertificateError &error);
    void onContextMenuRequested(const QPoint &position);
    void onFullScreenRequested(QWebEngineFullScreenRequest request);
    void onMouseLockRequested(const QUrl &origin);
    void answerMouseLock(const QUrl &origin, const QStringList &gestureOrigins);
    // What the bridge's script world saw of the player's recent clicks and keys, told to
    // answer on a later turn of the event loop, unless the page is gone by then.
    void askGestures(const std::function<void(const QVariantMap &)> &answer);
    void onActiveChanged();

    std::unique_ptr<QWebEngineView> m_view;
    ShellWebPage *m_page;
    QWebChannel *m_channel = nullptr;
    const bool m_pluginsAllowed;
    const bool m_scriptDialogs;
    PointerLockNotice *m_pointerLockNotice;
    QPointer<FullScreenAnswer> m_fullScreenAnswer;
    QPointer<HangQuestionView> m_hangQuestion;
    bool m_pointerLockGranted = false;
};
