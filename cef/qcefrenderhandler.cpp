#include "cef/qcefrenderhandler.h"

#include <QFile>
#include <QString>

// Resources of static libraries are not registered on their own.
static void registerResources()
{
    Q_INIT_RESOURCE(render);
}

QString QCefRenderHandler::bridgeScript()
{
    registerResources();
    QFile file(QStringLiteral(":/render/bridge.js"));
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}
