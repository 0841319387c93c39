#include "cef/cefcommandline.h"

namespace {

QString withPrefix(const QString &name)
{
    return name.startsWith(QLatin1Char('-')) ? name : QStringLiteral("--") + name;
}

} // namespace

void CefCommandLine::initFromString(const QString &commandLine)
{
    m_switches = commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

void CefCommandLine::appendSwitch(const QString &name)
{
    m_switches.append(withPrefix(name));
}

void CefCommandLine::appendSwitchWithValue(const QString &name, const QString &value)
{
    m_switches.append(withPrefix(name) + QLatin1Char('=') + value);
}
