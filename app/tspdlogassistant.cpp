#include "app/tspdlogassistant.h"

TSpdlogAssistant::TSpdlogAssistant(QObject *parent)
    : QObject(parent)
{
}

QString TSpdlogAssistant::typeName(int type) const
{
    switch (type) {
    case AvType:
        return QStringLiteral("AV_Type");
    case UiEventType:
        return QStringLiteral("UI_EventType");
    case UiClick:
        return QStringLiteral("UI_Click");
    case NetType:
        return QStringLiteral("NET_Type");
    case H5Type:
        return QStringLiteral("H5_Type");
    case OtherType:
        return QStringLiteral("Other_Type");
    default:
        return QString();
    }
}
