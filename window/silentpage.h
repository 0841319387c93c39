#pragma once

#include <QWebEnginePage>

// A page that never shows a script dialog: nobody is there to answer one in a
// legacy window, and an unanswered dialog would hold the page.
// Runs on the GUI thread.
class SilentPage : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY(SilentPage)

public:
    SilentPage(QWebEngineProfile *profile, QObject *parent);

protected:
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg,
        const QString &defaultValue, QString *result) override;
};
