#pragma once

#include <QtGlobal>

// The part of the GUI thread the bridge's dispatcher may take while requests keep coming: half
// of it over time, and a burst of burstNs at once after a quiet spell. The engine takes in the
// pages' requests on the same thread; given less, a flood's requests would pile up in the
// engine's own queue, ahead of every other page's, where no turns are kept.
// Times are nanoseconds on one steady clock.
class ServingShare
{
public:
    explicit ServingShare(qint64 burstNs);

    // A turn of the dispatcher that took ns and ended at nowNs.
    void spend(qint64 nowNs, qint64 ns);
    // How long the dispatcher has yet to wait, as seen at nowNs.
    qint64 restNs(qint64 nowNs) const;

private:
    // What the dispatcher may still take at nowNs; negative while it owes the engine time.
    qint64 balance(qint64 nowNs) const;

    const qint64 m_burstNs;
    qint64 m_balance;
    qint64 m_at = 0;
};
