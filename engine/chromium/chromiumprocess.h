#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

class DevToolsPipe;
class QProcess;
class QProcessEnvironment;

// One browser process of the system's Chromium with a profile folder of its
// own, driven over the DevTools pipe on its descriptors 3 and 4: no port is
// opened for it. A window opens in it as a second start with the same
// profile folder, which hands its command line over to the running browser.
// A browser that ends unasked (killed, out of memory, crashed) is started again on the same
// folder and pipe; one that keeps ending right after its start is given up.
// Runs on the GUI thread. Ends the browser, and any start still running, when
// it goes; the kernel ends them when the program dies.
class ChromiumProcess : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ChromiumProcess)

public:
    // program: the browser's starter; switches: Chromium's, for every start.
    ChromiumProcess(const QString &program, const QString &profilePath, const QStringList &switches,
        QObject *parent = nullptr);
    ~ChromiumProcess() override;

    // False when the browser could not be started; the reason is on the debug output.
    bool start();
    DevToolsPipe *pipe() const { return m_pipe; }
    const QString &profilePath() const { return m_profilePath; }
    // A window of its own, without the browser's tabs and bars, showing url.
    void openAppWindow(const QString &url) const;

signals:
    // The browser ended unasked: its windows and targets are gone.
    void sgEnded();
    // A new browser answers on the pipe's new descriptors, with none of the ended one's targets.
    void sgStartedAgain();

private:
    void onFinished();
    void scheduleStart();
    void startAgain();
    QStringList profileSwitches() const;
    bool writePreferences() const;
    bool writeRefusingOpener() const;
    QProcessEnvironment environment() const;

    QString m_program;
    QString m_profilePath;
    QStringList m_switches;
    QProcess *m_process;
    DevToolsPipe *m_pipe = nullptr;
    QElapsedTimer m_sinceStart;
    int m_quickEnds = 0;
};
