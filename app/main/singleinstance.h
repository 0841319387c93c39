#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

// One run per program folder and engine storage: the first start holds a lock
// in the engine's storage folder and listens for later starts; a later start
// tells the running one to show itself and ends, so two runs never share the
// engine's storage. The name both use comes from the two paths, so users with
// storage of their own each run the same installed program.
// Runs on the GUI thread; the shell holds it for the whole run.
class SingleInstance : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(SingleInstance)

public:
    SingleInstance(
        const QString &programDir, const QString &storagePath, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True for the first run, which from now on hears later starts (and for a
    // run that cannot make the lock: refusing to start would help nobody).
    // False when another run holds the folder and has been asked to show
    // itself. A run holding the lock that cannot be reached (its socket was
    // removed, or it hangs) loses the lock to this one: see tookOver().
    bool claim();
    // After claim() returned true: the lock was taken from a run that did not answer.
    bool tookOver() const;

signals:
    // A later start from the same folder asks for the shell.
    void sgShowRequested();

private:
    void listen();
    bool handOver() const;
    void takeOver();

    QString m_name;
    QString m_lockPath;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
    bool m_tookOver = false;
};
