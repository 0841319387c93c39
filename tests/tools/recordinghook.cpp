#include "recordinghook.h"

#include "tools/hookevents.h"

#include <QtTest>

QString keyLine(const QString &handler, int state, int key, int scanCode)
{
    return QStringLiteral("%1 state=%2 key=%3 scan=%4")
        .arg(handler)
        .arg(state, 0, 16)
        .arg(key)
        .arg(scanCode, 0, 16);
}

QString mouseLine(const QString &handler, int kind, int button, int flags)
{
    return QStringLiteral("%1 kind=%2 button=%3 flags=%4")
        .arg(handler)
        .arg(kind)
        .arg(button)
        .arg(flags);
}

void RecordingHook::addButtonRows()
{
    QTest::addColumn<unsigned int>("button");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("left") << 1u
                          << QStringList { mouseLine("press", 0, 1, 0),
                                 mouseLine("release", 0, 1, 0) };
    QTest::newRow("middle") << 2u
                            << QStringList { mouseLine("press", 0, 2, 0),
                                   mouseLine("release", 0, 2, 0) };
    QTest::newRow("right") << 3u
                           << QStringList { mouseLine("press", 0, 4, 0),
                                  mouseLine("release", 0, 4, 0) };
    QTest::newRow("wheel up") << 4u << QStringList { mouseLine("wheel", 120, 1, 0) };
    // The delta -120 taken as an unsigned 16-bit number.
    QTest::newRow("wheel down") << 5u << QStringList { mouseLine("wheel", 65416, 1, 0) };
    QTest::newRow("horizontal wheel") << 6u << QStringList();
    QTest::newRow("extra button") << 8u << QStringList();
}

bool RecordingHook::keyPressEvent(KeyEvent *event)
{
    return recordKey(QStringLiteral("press"), event);
}

bool RecordingHook::keyReleaseEvent(KeyEvent *event)
{
    return recordKey(QStringLiteral("release"), event);
}

bool RecordingHook::mouseMoveEvent(MouseEvent *event)
{
    return recordMouse(QStringLiteral("move"), event);
}

bool RecordingHook::mousePressEvent(MouseEvent *event)
{
    return recordMouse(QStringLiteral("press"), event);
}

bool RecordingHook::mouseReleaseEvent(MouseEvent *event)
{
    return recordMouse(QStringLiteral("release"), event);
}

bool RecordingHook::wheelEvent(MouseEvent *event)
{
    return recordMouse(QStringLiteral("wheel"), event);
}

bool RecordingHook::recordKey(const QString &handler, const KeyEvent *event)
{
    keys.append(keyLine(handler, event->state, event->key, event->scanCode));
    if (unhookOnKey)
        unhookKeyboard();
    return true;
}

bool RecordingHook::recordMouse(const QString &handler, const MouseEvent *event)
{
    mice.append(mouseLine(handler, event->kind, event->button, event->flags));
    points.append(QPoint(event->x, event->y));
    return true;
}
