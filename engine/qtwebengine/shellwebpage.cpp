#include "engine/qtwebengine/shellwebpage.h"

#include "engine/enginepage.h"
#include "engine/filechooser.h"
#include "engine/qtwebengine/pagescriptdialogs.h"

#include <QCoreApplication>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {

// The engine asks the leave-page question through the confirm dialog, with
// this text of its own.
QString beforeUnloadQuestion()
{
    return QCoreApplication::translate("QWebEnginePage",
        "Are you sure you want to leave this page? Changes that you made may not be saved.");
}

FileChooser::Mode chooserMode(QWebEnginePage::FileSelectionMode mode)
{
    switch (mode) {
    case QWebEnginePage::FileSelectOpen:
        return FileChooser::Mode::Open;
    case QWebEnginePage::FileSelectOpenMultiple:
        return FileChooser::Mode::OpenMultiple;
    case QWebEnginePage::FileSelectUploadFolder:
        return FileChooser::Mode::Folder;
    case QWebEnginePage::FileSelectSave:
        break;
    }
    return FileChooser::Mode::Save;
}

} // namespace

ShellWebPage::ShellWebPage(QWebEngineProfile *profile, bool showsDialogs,
    ScriptDialogScheme *dialogScheme, EnginePage *owner)
    : QWebEnginePage(profile, owner)
    , m_dialogs(new PageScriptDialogs(this, owner, showsDialogs, dialogScheme))
{
    setUrlRequestInterceptor(m_dialogs);
}

void ShellWebPage::javaScriptAlert(const QUrl &securityOrigin, const QString &msg)
{
    m_dialogs->judgeAtOnce(ScriptDialogRequest::Kind::Alert, securityOrigin, msg);
}

// The engine asks the leave-page question here too.
bool ShellWebPage::javaScriptConfirm(const QUrl &securityOrigin, const QString &msg)
{
    if (msg == beforeUnloadQuestion())
        return m_dialogs->judgeLeaving(securityOrigin);
    m_dialogs->judgeAtOnce(ScriptDialogRequest::Kind::Confirm, securityOrigin, msg);
    return false;
}

bool ShellWebPage::javaScriptPrompt(
    const QUrl &securityOrigin, const QString &msg, const QString &, QString *)
{
    m_dialogs->judgeAtOnce(ScriptDialogRequest::Kind::Prompt, securityOrigin, msg);
    return false;
}

// The engine tells the input nothing of a cancelled chooser (it empties an input that had files,
// as browsers of its time did); current browsers fire its cancel event.
QStringList ShellWebPage::chooseFiles(
    FileSelectionMode mode, const QStringList &, const QStringList &acceptedMimeTypes)
{
    const QStringList chosen
        = FileChooser::choose(QWebEngineView::forPage(this), chooserMode(mode), acceptedMimeTypes);
    if (chosen.isEmpty()) {
        runJavaScript(QStringLiteral("window.lumenFileChooserCancelled()"),
            QWebEngineScript::ApplicationWorld);
    }
    return chosen;
}

void ShellWebPage::javaScriptConsoleMessage(
    JavaScriptConsoleMessageLevel, const QString &, int, const QString &)
{
}
