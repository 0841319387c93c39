#pragma once

#include <QString>
#include <QUrl>

// A document of a page asks to keep the screen on (a screen wake lock). Refused unless a
// receiver grants it before the signal returns.
class WakeLockRequest
{
public:
    // lock: the page's name for the lock, which its release names too.
    WakeLockRequest(const QString &lock, const QUrl &origin)
        : m_lock(lock)
        , m_origin(origin)
    {
    }

    const QString &lock() const { return m_lock; }
    // The asking document's, as the engine reports it.
    const QUrl &origin() const { return m_origin; }
    void grant() { m_granted = true; }
    bool isGranted() const { return m_granted; }

private:
    QString m_lock;
    QUrl m_origin;
    bool m_granted = false;
};
