#pragma once

#include <QVector>

// When a window gives up on bringing its page back: at the third death of its
// render process within ten minutes. Deaths that close together are the
// page's own doing (a script that runs out of memory or hangs on every load),
// and reloading such a page only repeats them; a page that dies about once a
// minute reaches the error page within a few minutes.
// Times are the caller's milliseconds of one steady clock.
class RendererDeaths
{
public:
    // True when this death is one too many; the count then starts afresh.
    bool tooMany(qint64 atMs);

private:
    QVector<qint64> m_deaths;
};
