#include "focusedxclient.h"

#include <QCoreApplication>
#include <QRect>
#include <QtTest>

#include <X11/Xlib.h>

namespace {

constexpr int kStartTimeout = 10000;

} // namespace

FocusedXClient::FocusedXClient()
    : m_display(XOpenDisplay(nullptr))
{
}

FocusedXClient::~FocusedXClient()
{
    m_process.kill();
    m_process.waitForFinished();
    if (m_display)
        XCloseDisplay(m_display);
}

bool FocusedXClient::start(const QRect &frame)
{
    const QByteArray name = "lumen-focus-" + QByteArray::number(QCoreApplication::applicationPid());
    const QString geometry = QStringLiteral("%1x%2+%3+%4")
                                 .arg(frame.width())
                                 .arg(frame.height())
                                 .arg(frame.x())
                                 .arg(frame.y());
    m_process.start(QStringLiteral("xev"),
        { QStringLiteral("-name"), QString::fromLatin1(name), QStringLiteral("-geometry"), geometry,
            QStringLiteral("-event"), QStringLiteral("keyboard") });
    if (!m_display || !m_process.waitForStarted(kStartTimeout))
        return false;
    if (!QTest::qWaitFor(
            [this, &name] { return (m_window = findWindow(name)) != 0; }, kStartTimeout))
        return false;
    return focus();
}

bool FocusedXClient::focus()
{
    XSetInputFocus(m_display, m_window, RevertToPointerRoot, CurrentTime);
    XSync(m_display, False);
    return hasFocus();
}

bool FocusedXClient::hasFocus() const
{
    Window focused = 0;
    int revertTo = 0;
    XGetInputFocus(m_display, &focused, &revertTo);
    return m_window && focused == m_window;
}

bool FocusedXClient::waitForKeyPress(const QByteArray &keyName)
{
    return QTest::qWaitFor([this, &keyName] { return hasKeyPress(keyName); }, kStartTimeout);
}

// xev describes each event in a paragraph; a key's line ends in "(keysym 0x..., <name>),".
bool FocusedXClient::hasKeyPress(const QByteArray &keyName)
{
    m_output += m_process.readAllStandardOutput();
    const QList<QByteArray> lines = m_output.split('\n');
    bool inKeyPress = false;
    for (const QByteArray &line : lines) {
        if (line.startsWith("KeyPress event"))
            inKeyPress = true;
        else if (line.isEmpty())
            inKeyPress = false;
        else if (inKeyPress && line.contains(", " + keyName + "),"))
            return true;
    }
    return false;
}

// Its mapped top-level window: there is no window manager to wrap it.
unsigned long FocusedXClient::findWindow(const QByteArray &name) const
{
    Window root = 0;
    Window parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        char *windowName = nullptr;
        XWindowAttributes attributes;
        if (XFetchName(m_display, children[i], &windowName) && name == windowName
            && XGetWindowAttributes(m_display, children[i], &attributes)
            && attributes.map_state == IsViewable)
            found = children[i];
        XFree(windowName);
    }
    XFree(children);
    return found;
}
