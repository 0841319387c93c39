#include "tools/systemrules.h"

#include <QDir>

QString SystemRules::cpuId(quint32 edx, quint32 eax)
{
    return (QString::number(edx, 16) + QString::number(eax, 16)).toUpper();
}

QString SystemRules::activeHardwareAddress(const QVector<NetworkInterface> &interfaces)
{
    const QNetworkInterface::InterfaceFlags active
        = QNetworkInterface::IsUp | QNetworkInterface::IsRunning;
    for (const NetworkInterface &candidate : interfaces) {
        if ((candidate.flags & active) == active
            && !candidate.flags.testFlag(QNetworkInterface::IsLoopBack))
            return candidate.hardwareAddress;
    }
    return QString();
}

QString SystemRules::pathInside(const QString &folder, const QString &name)
{
    if (name.contains(QChar(0)) || QDir::isAbsolutePath(name))
        return QString();
    QString root = QDir::cleanPath(folder);
    // A root folder ("/", "C:/") already ends with its separator.
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    const QString path = QDir::cleanPath(root + name);
    return path.startsWith(root) && path.size() > root.size() ? path : QString();
}
