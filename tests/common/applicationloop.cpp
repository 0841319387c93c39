#include "applicationloop.h"

#include <QCoreApplication>
#include <QTimer>

int runApplicationLoop(int timeoutMs, int watchdogExit)
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, qApp,
        [watchdogExit] { QCoreApplication::exit(watchdogExit); });
    watchdog.start(timeoutMs);
    return QCoreApplication::exec();
}
