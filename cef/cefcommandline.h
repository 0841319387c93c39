#pragma once

#include <QString>
#include <QStringList>

// The switches the engine is started with, beside the program's own arguments.
class CefCommandLine
{
public:
    // Takes the switches of a command-line text, separated by blanks.
    void initFromString(const QString &commandLine);
    // A name given without leading dashes gets "--".
    void appendSwitch(const QString &name);
    void appendSwitchWithValue(const QString &name, const QString &value);
    const QStringList &switches() const { return m_switches; }

private:
    QStringList m_switches;
};
