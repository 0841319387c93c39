#pragma once

#include <QString>

// The shell's own page for a window whose page cannot be shown: what failed in
// plain words, the address, a Retry link and, in the start-up window, a Quit
// link. Built from the program's resources, so it shows without any network.
// Its links are "http://lumen-shell.invalid/retry" and ".../quit".
class ErrorPage
{
public:
    // errorCode: the engine's (negative) network error, or an HTTP status.
    static QString reasonFor(int errorCode, const QString &errorText);
    // The server took the connection, or the engine's request, and sent nothing back.
    static QString noAnswerReason();
    static QString html(const QString &reason, const QString &address, bool canQuit);
    // The start-up window's page when there is no portal address: trying again cannot help, so
    // it offers Quit only.
    static QString notSetUpHtml();

private:
    static QString page(const QString &heading, const QString &reason, const QString &address,
        const QString &retry, bool canQuit);
};
