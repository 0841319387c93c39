#pragma once

#include "cef/qtwebengine/scriptdialog.h"
#include "cef/scriptdialogguard.h"

#include <QElapsedTimer>
#include <QWebEnginePage>

// The engine's page with the shell's answers: the engine keeps no log of the
// pages' consoles, and the shell draws the script dialogs over the page's view.
// Runs on the GUI thread.
class ShellWebPage : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY(ShellWebPage)

public:
    // showsDialogs false: every script dialog gets the answer that changes
    // nothing, at once, and leaving the page is always allowed.
    ShellWebPage(QWebEngineProfile *profile, bool showsDialogs, QObject *parent);

protected:
    // Script dialogs:
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
    struct Answer
    {
        bool shown = false;
        ScriptDialog::Answer said;
    };
    // What the player said, or "cancelled" for a dialog the guard keeps away.
    Answer ask(ScriptDialog::Kind kind, const QUrl &securityOrigin, const QString &message,
        const QString &defaultText = QString());

    const bool m_showsDialogs;
    ScriptDialogGuard m_dialogs;
    QElapsedTimer m_clock;
};
