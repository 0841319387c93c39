#include "cef/bridgepush.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

QString BridgePush::script(const QJsonObject &push)
{
    return QStringLiteral("qtSlots(")
        + QString::fromUtf8(QJsonDocument(push).toJson(QJsonDocument::Compact)) + QLatin1Char(')');
}
