#pragma once

#include <QString>
#include <QVariantMap>

// The player's last click or key in a page, as the bridge's own script world in the page's main
// frame saw it: from the engine's trusted events in that frame, and from the copies of that world
// in the other frames, which prove themselves with a secret no page can read. A page can neither
// write it nor speak for another document.
// A value: pure, copied freely.
class PlayerGesture
{
public:
    // Browsers let a click or key count this long (transient user activation).
    static constexpr qint64 kSpanMs = 5000;

    PlayerGesture() = default;
    // pageOrigin: the main document's origin. origin: that of the document the player clicked or
    // typed in last, empty when none; ageMs: how long ago.
    PlayerGesture(const QString &pageOrigin, const QString &origin, qint64 ageMs);

    // What the bridge's world reports (its lumenGestures()): "page", "origin" and "age".
    // Anything else counts as no gesture.
    static PlayerGesture fromReport(const QVariantMap &report);

    const QString &pageOrigin() const { return m_pageOrigin; }
    // The origin of the document the player acted in last, while that still counts; empty
    // otherwise, and for a document of no origin of its own.
    QString actingOrigin() const;

private:
    QString m_pageOrigin;
    QString m_origin;
    qint64 m_ageMs = -1;
};
