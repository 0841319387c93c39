#include "tools/tools.h"

#include "app/textcipher.h"
#include "tools/screenrules.h"

#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QString>

namespace {

// Screens can vanish at run time (the last monitor unplugged); a missing screen answers with
// empty values instead of a dereferenced null.
QRect desktopOf(const QScreen *screen)
{
    return screen ? screen->geometry() : QRect();
}

QRect availableOf(const QScreen *screen)
{
    return screen ? screen->availableGeometry() : QRect();
}

double zoomOf(const QScreen *screen)
{
    return screen
        ? ScreenRules::zoomFactor(screen->logicalDotsPerInch(), screen->devicePixelRatio())
        : 1.0;
}

// Null when there is no screen with that index.
QScreen *screenAt(int index)
{
    return QGuiApplication::screens().value(index);
}

int screenIndexUnder(const QPoint &mouse)
{
    QVector<QRect> geometries;
    const QList<QScreen *> screens = QGuiApplication::screens();
    geometries.reserve(screens.size());
    for (const QScreen *screen : screens)
        geometries.append(screen->geometry());
    return ScreenRules::screenIndexAt(geometries, mouse);
}

QScreen *screenUnder(const QPoint &mouse)
{
    return screenAt(screenIndexUnder(mouse));
}

} // namespace

Tools::Tools() = default;

Tools *Tools::instance()
{
    static Tools *const tools = new Tools;
    return tools;
}

QString Tools::encryptText(const QString &text, const QString &passphrase)
{
    return TextCipher::encrypt(text, passphrase);
}

QString Tools::decryptText(const QString &text, const QString &passphrase)
{
    return TextCipher::decrypt(text, passphrase);
}

int Tools::getMouseDesktopInt(const QPoint &mouse) const
{
    return screenIndexUnder(mouse);
}

QRect Tools::getDesktopRect() const
{
    return desktopOf(QGuiApplication::primaryScreen());
}

QRect Tools::getNowDesktopRect(const QPoint &mouse) const
{
    return desktopOf(screenUnder(mouse));
}

QRect Tools::getAvailableRect() const
{
    return availableOf(QGuiApplication::primaryScreen());
}

QRect Tools::getNowAvailableRect(const QPoint &mouse) const
{
    return availableOf(screenUnder(mouse));
}

double Tools::getZoomFactor() const
{
    return zoomOf(screenAt(0));
}

double Tools::getNowZoomFactor(const QPoint &mouse) const
{
    return zoomOf(screenUnder(mouse));
}

QPoint Tools::getMousePos() const
{
    return QCursor::pos();
}

QString Tools::formatPath(const QString &path) const
{
    // Before a drive letter the whole "file:///" goes; before an absolute path the third slash
    // is the path's own and stays. Other spellings (upper case, two slashes) are left alone.
    static const QRegularExpression fileScheme(
        QStringLiteral("file:///(?=[A-Za-z]:)|file://(?=/)"));
    return QString(path).remove(fileScheme);
}

QString Tools::getFileName(const QString &fullName) const
{
    return QFileInfo(fullName).fileName();
}
