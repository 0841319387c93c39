#include "app/platform.h"

#include <QCoreApplication>
#include <QSettings>

#include <windows.h>

namespace Platform {

const QString executableSuffix = QStringLiteral(".exe");

void selectWindowSystem()
{
    // Windows has one window system.
}

void declareDpiAware()
{
    SetProcessDPIAware();
}

std::unique_ptr<QSettings> openStartupSettings()
{
    return std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\lumen"), QSettings::NativeFormat);
}

void selectSoftwareOpenGL()
{
    QCoreApplication::setAttribute(Qt::AA_UseSoftwareOpenGL, true);
}

} // namespace Platform
