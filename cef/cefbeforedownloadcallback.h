#pragma once

#include <QString>

#include <functional>

// The answer to one download request: where the file goes. A download that is
// not continued before the handler returns is refused.
class CefBeforeDownloadCallback
{
public:
    explicit CefBeforeDownloadCallback(std::function<void(const QString &path)> proceed)
        : m_proceed(std::move(proceed))
    {
    }

    // There is no save dialog: the download goes straight to path.
    void Continue(const QString &path) { m_proceed(path); }

private:
    std::function<void(const QString &path)> m_proceed;
};
