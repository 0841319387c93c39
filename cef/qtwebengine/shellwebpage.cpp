#include "cef/qtwebengine/shellwebpage.h"

#include <QCoreApplication>

namespace {

// The engine asks the before-unload question through the confirm dialog, with
// this text of its own.
QString beforeUnloadQuestion()
{
    return QCoreApplication::translate("QWebEnginePage",
        "Are you sure you want to leave this page? Changes that you have made may not be saved.");
}

} // namespace

ShellWebPage::ShellWebPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
}

void ShellWebPage::javaScriptAlert(const QUrl &, const QString &)
{
}

// A page asking the user to confirm gets "cancel", the answer that changes
// nothing; leaving the page is always allowed, so the shell's own loads and
// closes are never held up.
bool ShellWebPage::javaScriptConfirm(const QUrl &, const QString &msg)
{
    return msg == beforeUnloadQuestion();
}

bool ShellWebPage::javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *)
{
    return false;
}

void ShellWebPage::javaScriptConsoleMessage(
    JavaScriptConsoleMessageLevel, const QString &, int, const QString &)
{
}
