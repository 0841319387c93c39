#include "cef/qcefv8handler.h"

#include "cef/cefframe.h"
#include "cef/cefprocessmessage.h"

#include <QEvent>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

QCefV8Handler::QCefV8Handler(CefFrame *mainFrame, QObject *parent)
    : QObject(parent)
    , m_mainFrame(mainFrame)
{
    connect(this, &QObject::objectNameChanged, this, &QCefV8Handler::keepEmptyName);
}

void QCefV8Handler::callQML(const QJsonValue &name, const QJsonValue &id, const QJsonValue &request)
{
    const QJsonObject message {
        { QStringLiteral("id"), id.toString() },
        { QStringLiteral("msgName"), QStringLiteral("callQML") },
        { QStringLiteral("name"), name.toString() },
        { QStringLiteral("request"), request.toString() },
    };
    m_mainFrame->sendProcessMessage(
        PID_BROWSER, CefProcessMessage(QString::fromUtf8(QJsonDocument(message).toJson())));
}

bool QCefV8Handler::event(QEvent *event)
{
    if (event->type() == QEvent::DeferredDelete)
        return true;
    return QObject::event(event);
}

// objectName is a writable property the channel offers to pages.
void QCefV8Handler::keepEmptyName()
{
    if (!objectName().isEmpty())
        setObjectName(QString());
}
