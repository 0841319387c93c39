#include "cef/qtwebengine/shellwebpage.h"

#include "app/originpolicy.h"
#include "cef/qtwebengine/filechooser.h"

#include <QCoreApplication>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {

// The engine asks the before-unload question through the confirm dialog, with
// this text of its own.
QString beforeUnloadQuestion()
{
    return QCoreApplication::translate("QWebEnginePage",
        "Are you sure you want to leave this page? Changes that you have made may not be saved.");
}

} // namespace

ShellWebPage::ShellWebPage(QWebEngineProfile *profile, bool showsDialogs, QObject *parent)
    : QWebEnginePage(profile, parent)
    , m_showsDialogs(showsDialogs)
{
    m_clock.start();
    connect(this, &QWebEnginePage::loadStarted, this, [this] { m_dialogs.reset(); });
}

ShellWebPage::Answer ShellWebPage::ask(ScriptDialog::Kind kind, const QUrl &securityOrigin,
    const QString &message, const QString &defaultText)
{
    const QString origin = OriginPolicy::originOf(securityOrigin);
    const ScriptDialogGuard::Verdict verdict
        = m_dialogs.judge(origin, OriginPolicy::originOf(url()), m_clock.elapsed());
    QWidget *view = QWebEngineView::forPage(this);
    if (!m_showsDialogs || verdict == ScriptDialogGuard::Verdict::Cancel || !view)
        return {};
    const ScriptDialog::Answer said = ScriptDialog::ask(view,
        { kind, origin, message, defaultText,
            verdict == ScriptDialogGuard::Verdict::ShowWithStopOffer });
    m_dialogs.answered(m_clock.elapsed());
    if (said.stopDialogs)
        m_dialogs.stopDialogs();
    return { true, said };
}

void ShellWebPage::javaScriptAlert(const QUrl &securityOrigin, const QString &msg)
{
    ask(ScriptDialog::Kind::Alert, securityOrigin, msg);
}

// Leaving is the answer when the player is not asked: nobody is kept on a page
// by a dialog they never saw.
bool ShellWebPage::javaScriptConfirm(const QUrl &securityOrigin, const QString &msg)
{
    if (msg != beforeUnloadQuestion())
        return ask(ScriptDialog::Kind::Confirm, securityOrigin, msg).said.accepted;
    const Answer answer = ask(ScriptDialog::Kind::Confirm, securityOrigin,
        tr("Leave this page? Changes you made may not be saved."));
    return !answer.shown || answer.said.accepted;
}

bool ShellWebPage::javaScriptPrompt(
    const QUrl &securityOrigin, const QString &msg, const QString &defaultValue, QString *result)
{
    const Answer answer = ask(ScriptDialog::Kind::Prompt, securityOrigin, msg, defaultValue);
    if (answer.said.accepted)
        *result = answer.said.text;
    return answer.said.accepted;
}

// The engine tells the input nothing of a cancelled chooser (it empties an input that had files,
// as browsers of its time did); current browsers fire its cancel event.
QStringList ShellWebPage::chooseFiles(
    FileSelectionMode mode, const QStringList &, const QStringList &acceptedMimeTypes)
{
    const QStringList chosen
        = FileChooser::choose(QWebEngineView::forPage(this), mode, acceptedMimeTypes);
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
