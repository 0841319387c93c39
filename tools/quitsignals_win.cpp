#include "tools/quitsignals.h"

#include <QMetaObject>
#include <QPointer>

#include <windows.h>

namespace {

// The handler runs on a thread of the system's: the request crosses to the GUI
// thread as a queued call.
QPointer<QuitSignals> g_receiver;

QString eventName(DWORD type)
{
    switch (type) {
    case CTRL_C_EVENT:
        return QStringLiteral("CTRL_C_EVENT");
    case CTRL_BREAK_EVENT:
        return QStringLiteral("CTRL_BREAK_EVENT");
    case CTRL_CLOSE_EVENT:
        return QStringLiteral("CTRL_CLOSE_EVENT");
    case CTRL_LOGOFF_EVENT:
        return QStringLiteral("CTRL_LOGOFF_EVENT");
    default:
        return QStringLiteral("CTRL_SHUTDOWN_EVENT");
    }
}

BOOL WINAPI onControlEvent(DWORD type)
{
    QuitSignals *receiver = g_receiver.data();
    if (!receiver)
        return FALSE;
    const QString name = eventName(type);
    QMetaObject::invokeMethod(
        receiver, [receiver, name] { emit receiver->sgQuitAsked(name); }, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

QuitSignals::QuitSignals(QObject *parent)
    : QObject(parent)
{
    g_receiver = this;
    SetConsoleCtrlHandler(&onControlEvent, TRUE);
}

QuitSignals::~QuitSignals()
{
    SetConsoleCtrlHandler(&onControlEvent, FALSE);
    g_receiver = nullptr;
}
