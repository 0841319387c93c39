#include "window/rendererdeaths.h"

#include <algorithm>

namespace {

constexpr int kDeathsShown = 3;
constexpr qint64 kDeathSpanMs = 10 * 60 * 1000;

} // namespace

bool RendererDeaths::tooMany(qint64 atMs)
{
    m_deaths.erase(std::remove_if(m_deaths.begin(), m_deaths.end(),
                       [atMs](qint64 death) { return atMs - death > kDeathSpanMs; }),
        m_deaths.end());
    m_deaths.append(atMs);
    if (m_deaths.size() < kDeathsShown)
        return false;
    m_deaths.clear();
    return true;
}
