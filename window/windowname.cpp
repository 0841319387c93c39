#include "window/windowname.h"

#include <algorithm>

QString WindowName::problem(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("the name is empty");
    const auto breaksTheList = [](QChar c) {
        return c == QLatin1Char(',') || c == QLatin1Char('[') || c == QLatin1Char(']')
            || c.category() == QChar::Other_Control;
    };
    if (std::any_of(name.cbegin(), name.cend(), breaksTheList))
        return QStringLiteral("the name holds ',', '[', ']' or a control character");
    return QString();
}
