#pragma once

#include <QWebEnginePage>

class EnginePage;
class PageScriptDialogs;
class ScriptDialogScheme;

// The engine's page with the shell's answers: the engine keeps no log of the
// pages' consoles, and the shell draws the script dialogs over the page's view.
// Runs on the GUI thread.
class ShellWebPage : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY(ShellWebPage)

public:
    // showsDialogs false: every script dialog gets the answer that changes
    // nothing, at once, and leaving the page is always allowed. owner: the page of the interface
    // it serves, its parent.
    ShellWebPage(QWebEngineProfile *profile, bool showsDialogs, ScriptDialogScheme *dialogScheme,
        EnginePage *owner);

    PageScriptDialogs &scriptDialogs() const { return *m_dialogs; }

protected:
    // Script dialogs the engine asks itself, which it waits for holding every
    // window: those the page asks through the shell never come here.
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg,
        const QString &defaultValue, QString *result) override;
    // Files:
    QStringList chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
        const QStringList &acceptedMimeTypes) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
        int lineNumber, const QString &sourceID) override;

private:
    PageScriptDialogs *m_dialogs;
};
