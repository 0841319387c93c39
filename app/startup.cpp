#include "app/startup.h"

#include "app/dirhelper.h"
#include "app/platform.h"
#include "app/tspdlog.h"

#include <QDate>
#include <QDebug>
#include <QDir>
#include <QOpenGLContext>
#include <QSettings>

void applyCompatibleMode(const QSettings &settings)
{
    if (!settings.value(QStringLiteral("Compatible"), false).toBool())
        return;
    qDebug() << "兼容模式启动";
    Platform::selectSoftwareOpenGL();
}

void initDailyLog()
{
    const QString fileName = DirHelper::instance()->logPath() + QDir::separator()
        + QStringLiteral("PlaycrateApp_")
        + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log");
    TSpdlog::create(fileName, fileName);
}

bool openGLProbePasses(const QSurfaceFormat &format)
{
    QOpenGLContext probe;
    probe.setFormat(format);
    return probe.create() && probe.format().majorVersion() >= 2;
}
