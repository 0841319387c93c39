#include "bridgetexts.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace BridgeTexts {

QString json(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray { text }).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString reply(const QString &request, const QString &id, const QString &result)
{
    return QStringLiteral(
        "qtQueryCallback({\"request\":%1,\"status\":\"success\",\"id\":%2,\"successMsg\":%3})")
        .arg(json(request), json(id), json(result));
}

QString childList(const QString &list, const QString &sender)
{
    return push(
        QStringLiteral("{\"OpenChildren\":%1,\"BeName\":%2}").arg(json(list), json(sender)));
}

QString push(const QString &valueJson)
{
    return QStringLiteral("qtSlots(") + valueJson + QLatin1Char(')');
}

QString requestLogLine(const QString &sender, const QString &request)
{
    return QStringLiteral("[netInfo]  [NET_Type] name:") + sender + QStringLiteral(" recv H5:")
        + request;
}

} // namespace BridgeTexts
