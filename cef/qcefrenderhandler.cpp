#include "cef/qcefrenderhandler.h"

#include <QFile>
#include <QString>

// Resources of static libraries are not registered on their own.
static void registerResources()
{
    Q_INIT_RESOURCE(render);
}

static QString resourceScript(const QString &name)
{
    registerResources();
    QFile file(QStringLiteral(":/render/") + name);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

QString QCefRenderHandler::pageScript()
{
    return resourceScript(QStringLiteral("page.js"));
}

QString QCefRenderHandler::bridgeScript()
{
    return resourceScript(QStringLiteral("bridge.js"));
}
