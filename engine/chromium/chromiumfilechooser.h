#pragma once

#include <QObject>

class DevToolsPipe;
class QJsonObject;
class QWindow;

// The file inputs of a page's documents, its frames' among them: the browser opens no chooser of
// its own, but tells the input that asked on its frame's session, and the shell's chooser opens
// over the page's window with the rules it has everywhere. What the player chose goes into that
// input, which tells the page as a chooser would; a cancel is told to the input as current
// browsers tell it, from a script world of the shell's own that the page cannot reach.
// Runs on the GUI thread; a child of its page.
class ChromiumFileChooser : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ChromiumFileChooser)

public:
    ChromiumFileChooser(DevToolsPipe *pipe, QObject *parent);

    // For each target of the page, as it is set up.
    static QJsonObject interceptParams();
    // Page.fileChooserOpened of any of the page's sessions; window: the page's, if it has one.
    void onOpened(const QJsonObject &params, const QString &sessionId, QWindow *window);

private:
    void setFiles(int input, const QString &sessionId, const QStringList &files) const;
    void tellCancelled(int input, const QString &frameId, const QString &sessionId) const;

    DevToolsPipe *m_pipe;
};
