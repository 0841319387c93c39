#pragma once

#include "window/windowrecord.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <unordered_map>

// The named windows, from their opening until their browser reports closed,
// and the father/child lists between them. Knows no engine and no scene.
// Runs on the GUI thread; the window manager owns it for the whole run.
class WindowRegistry
{
    Q_DISABLE_COPY(WindowRegistry)

public:
    WindowRegistry() = default;

    WindowRecord *find(const QString &name) const;
    // Only once the window has been attached to its scene window.
    WindowRecord *findAttached(const QString &name) const;
    WindowRecord *findByBrowser(int browserId) const;

    // Takes the record under its name; a father's list gets the child first.
    WindowRecord &add(std::unique_ptr<WindowRecord> record);
    // Takes the record out of its father's list too.
    void remove(const QString &name);
    QStringList names() const;
    int count() const { return int(m_records.size()); }

    // Moves a child to the front of its father's list.
    void bringToFront(const WindowRecord &child);
    // "[a,b]": the window's siblings (itself included or not), or its own
    // children for a root; "[]" for an unknown window.
    QString familyList(const QString &name, bool containSelf) const;

    template <typename Visit> void forEach(Visit visit) const
    {
        for (const auto &entry : m_records)
            visit(*entry.second);
    }

private:
    std::unordered_map<QString, std::unique_ptr<WindowRecord>> m_records;
};
