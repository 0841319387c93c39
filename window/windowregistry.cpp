#include "window/windowregistry.h"

WindowRecord *WindowRegistry::find(const QString &name) const
{
    const auto found = m_records.find(name);
    return found == m_records.end() ? nullptr : found->second.get();
}

WindowRecord *WindowRegistry::findAttached(const QString &name) const
{
    WindowRecord *record = find(name);
    return record && record->window ? record : nullptr;
}

WindowRecord *WindowRegistry::findByBrowser(int browserId) const
{
    for (const auto &entry : m_records) {
        if (entry.second->browserId == browserId)
            return entry.second.get();
    }
    return nullptr;
}

WindowRecord &WindowRegistry::add(std::unique_ptr<WindowRecord> record)
{
    if (WindowRecord *father = find(record->fatherName))
        father->children.prepend(record->objectName);
    WindowRecord &stored = *record;
    m_records[record->objectName] = std::move(record);
    return stored;
}

void WindowRegistry::remove(const QString &name)
{
    const WindowRecord *record = find(name);
    if (!record)
        return;
    if (WindowRecord *father = find(record->fatherName))
        father->children.removeOne(name);
    m_records.erase(name);
}

QStringList WindowRegistry::names() const
{
    QStringList names;
    for (const auto &entry : m_records)
        names.append(entry.first);
    return names;
}

void WindowRegistry::bringToFront(const WindowRecord &child)
{
    if (WindowRecord *father = find(child.fatherName)) {
        father->children.removeOne(child.objectName);
        father->children.prepend(child.objectName);
    }
}

QString WindowRegistry::familyList(const QString &name, bool containSelf) const
{
    const WindowRecord *record = find(name);
    if (!record)
        return QStringLiteral("[]");
    QStringList names = record->children;
    if (!record->fatherName.isEmpty()) {
        const WindowRecord *father = find(record->fatherName);
        names = father ? father->children : QStringList();
    }
    if (!containSelf)
        names.removeOne(name);
    return QLatin1Char('[') + names.join(QLatin1Char(',')) + QLatin1Char(']');
}
