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

    enum class Claim {
        // The first run, which from now on hears later starts (also a run that
        // cannot make the lock: refusing to start would help nobody).
        First,
        // Another run holds the folder and has been asked to show itself.
        HandedOver,
        // Another run that is alive holds the folder but does not answer (its
        // socket was removed, or it hangs): it keeps the folder all the same.
        HeldByAnother,
    };

    // Only a lock whose process is gone is taken over.
    Claim claim();
    // Which run holds the lock, for the user: after claim() gave HeldByAnother.
    QString holder() const;

signals:
    // A later start from the same folder asks for the shell.
    void sgShowRequested();

private:
    void listen();
    bool handOver() const;

    QString m_name;
    QString m_lockPath;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
};
