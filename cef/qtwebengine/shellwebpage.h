#pragma once

#include <QWebEnginePage>

// The engine's page with the shell's answers: the engine keeps no log of the
// pages' consoles, and no script dialog shows.
// Runs on the GUI thread.
class ShellWebPage : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY(ShellWebPage)

public:
    ShellWebPage(QWebEngineProfile *profile, QObject *parent);

protected:
    // Script dialogs: nobody answers one yet, and an unanswered dialog would
    // hold the page.
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg,
        const QString &defaultValue, QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
        int lineNumber, const QString &sourceID) override;
};
