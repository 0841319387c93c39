#include "app/platform.h"

#include <QCoreApplication>
#include <QSettings>

namespace Platform {

const QString executableSuffix;

void selectWindowSystem()
{
    // Qt 6 would pick Wayland there; embedded native windows and global input need X11.
    // An empty value names nothing: Qt ignores it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

void declareDpiAware()
{
    // X11 reports the real pixel density to every client: nothing to declare.
}

std::unique_ptr<QSettings> openStartupSettings()
{
    // The organisation's own store in the user's configuration folder, the
    // counterpart of the per-user registry key on Windows.
    return std::make_unique<QSettings>(
        QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("lumen"));
}

void selectSoftwareOpenGL()
{
    // The Qt attribute only switches the OpenGL library on Windows; Mesa is
    // told through its environment, which it reads when the first context opens.
    qputenv("LIBGL_ALWAYS_SOFTWARE", "1");
    QCoreApplication::setAttribute(Qt::AA_UseSoftwareOpenGL, true);
}

} // namespace Platform
