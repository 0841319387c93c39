#pragma once

#include <QNetworkInterface>
#include <QString>
#include <QVector>

// The machine-identifier and path rules of the desktop utilities, over plain values: they can be
// checked without the processor, the network interfaces or the file system.
class SystemRules
{
public:
    SystemRules() = delete;

    struct NetworkInterface
    {
        QNetworkInterface::InterfaceFlags flags;
        QString hardwareAddress;
    };

    // Upper-case hexadecimal of EDX followed directly by that of EAX, neither padded with zeros.
    static QString cpuId(quint32 edx, quint32 eax);

    // Address of the first interface that is up and running and not a loopback; empty when none.
    static QString activeHardwareAddress(const QVector<NetworkInterface> &interfaces);

    // folder + "/" + name with its dot segments resolved, as text; empty when that path is not
    // strictly inside folder: an absolute name, one that climbs out with "..", the folder itself,
    // or a name holding NUL, which would cut the path where the system reads it.
    static QString pathInside(const QString &folder, const QString &name);
};
