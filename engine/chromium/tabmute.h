#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class DevToolsPipe;

// Chromium's own mute of a page's tab, which no protocol command sets: an extension of the
// program's, loaded over the pipe as the browser starts, sets it from its worker. It silences
// every frame of the page and every kind of sound (media elements, Web Audio), holds across the
// page's loads and renderers, and goes with the tab.
// Runs on the GUI thread; its profile owns it.
class TabMute : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(TabMute)

public:
    // folder: where the extension is written for the browser to load it from.
    TabMute(DevToolsPipe *pipe, const QString &folder, QObject *parent = nullptr);

    // Into the browser just started; mutes asked meanwhile wait for it.
    void install();
    // targetId: the page's target.
    void setMuted(const QString &targetId, bool muted);

private:
    bool writeExtension() const;
    void lookForWorker(const QString &extensionId);
    void onWorkerFound(const QString &targetId);
    void mute(const QString &targetId, bool muted);

    DevToolsPipe *m_pipe;
    QString m_folder;
    // The extension's worker's session; empty until it is reached.
    QString m_session;
    QHash<QString, bool> m_waiting;
    int m_searches = 0;
};
