#pragma once

#include <QString>

// A message between a page and the browser side. The whole payload travels as
// its name.
class CefProcessMessage
{
public:
    explicit CefProcessMessage(const QString &name)
        : m_name(name)
    {
    }

    const QString &name() const { return m_name; }

private:
    QString m_name;
};
