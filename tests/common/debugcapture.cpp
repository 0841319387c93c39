#include "debugcapture.h"

#include <QMutex>

namespace {

struct Captured
{
    QMutex mutex;
    QStringList lines;
    QtMessageHandler previous = nullptr;
};

Captured &captured()
{
    static Captured instance;
    return instance;
}

void record(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    Captured &output = captured();
    {
        QMutexLocker lock(&output.mutex);
        output.lines.append(message);
    }
    output.previous(type, context, message);
}

} // namespace

DebugCapture::DebugCapture()
{
    captured().previous = qInstallMessageHandler(record);
}

DebugCapture::~DebugCapture()
{
    qInstallMessageHandler(captured().previous);
}

QStringList DebugCapture::lines() const
{
    QMutexLocker lock(&captured().mutex);
    return captured().lines;
}

void DebugCapture::clear()
{
    QMutexLocker lock(&captured().mutex);
    captured().lines.clear();
}
