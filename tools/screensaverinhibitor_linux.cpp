#include "tools/screensaverinhibitor.h"

#include "tools/toolslog.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");

QDBusMessage screenSaverCall(const QString &method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}

Display *xDisplay()
{
    const auto *x11
        = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

} // namespace

// Asked without waiting: the GUI thread is the engine's too.
void ScreenSaverInhibitor::inhibit()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        suspendThroughExtension(true);
        return;
    }
    QDBusMessage call = screenSaverCall(QStringLiteral("Inhibit"));
    call << QCoreApplication::applicationName() << QStringLiteral("A game holds the screen on");
    m_asking = true;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<quint32> reply = *w;
        onInhibitAnswered(!reply.isError(), reply.isError() ? 0 : reply.value());
        w->deleteLater();
    });
}

void ScreenSaverInhibitor::onInhibitAnswered(bool answered, quint32 cookie)
{
    m_asking = false;
    if (!answered) {
        qCInfo(lcTools) << "no screen-saver service on the session bus: the X extension holds it";
        suspendThroughExtension(true);
    } else {
        m_cookie = cookie;
    }
    if (!m_wanted)
        uninhibit();
}

void ScreenSaverInhibitor::uninhibit()
{
    if (m_cookie) {
        QDBusMessage call = screenSaverCall(QStringLiteral("UnInhibit"));
        call << m_cookie;
        QDBusConnection::sessionBus().call(call, QDBus::NoBlock);
        m_cookie = 0;
    }
    suspendThroughExtension(false);
}

void ScreenSaverInhibitor::suspendThroughExtension(bool suspended)
{
    if (suspended == m_suspendedThroughExtension)
        return;
    Display *display = xDisplay();
    int event = 0;
    int error = 0;
    if (!display || !XScreenSaverQueryExtension(display, &event, &error))
        return;
    XScreenSaverSuspend(display, suspended);
    XFlush(display);
    m_suspendedThroughExtension = suspended;
}
