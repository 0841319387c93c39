#pragma once

#include <QString>

class DevToolsPipe;
class EnginePage;
class QJsonObject;

// The script dialogs of a page's documents, its frames' among them, and the question whether to
// leave it. Chromium draws its own in the page's window, naming the origin that asks, and waits
// for the player holding up nothing but the document that asked; the browser tells every one of
// them on the page's own session. Each is the shell's to let show first: one it refuses, and
// every one of a page that shows none, gets the answer that changes nothing at once, leaving the
// page always allowed. Chromium's dialogs offer nothing to stop a page's dialogs.
// Runs on the GUI thread; its page owns it.
class ChromiumScriptDialogs
{
public:
    // owner: the page whose signals ask and tell; showsDialogs false: none shows.
    ChromiumScriptDialogs(DevToolsPipe *pipe, EnginePage *owner, bool showsDialogs);

    // Page.javascriptDialogOpening and Page.javascriptDialogClosed of the page's own session.
    void onEvent(const QString &method, const QJsonObject &params, const QString &sessionId);
    // A dialog shown waits for the player.
    bool isWaitingForPlayer() const { return m_shown; }
    // The document that asked is gone with its renderer, and its dialog with it.
    void forgetShown() { m_shown = false; }

private:
    void onOpening(const QJsonObject &params, const QString &sessionId);

    DevToolsPipe *m_pipe;
    EnginePage &m_owner;
    const bool m_showsDialogs;
    bool m_shown = false;
};
