#include "tools/tools.h"

#include "app/dirhelper.h"
#include "app/platform.h"
#include "app/policysettings.h"
#include "app/textcipher.h"
#include "app/tspdlog.h"
#include "tools/downloadlanding.h"
#include "tools/processes.h"
#include "tools/processor.h"
#include "tools/screenrules.h"
#include "tools/systemrules.h"
#include "tools/toolslog.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QNetworkInterface>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QString>
#include <QUrl>

#include <utility>

namespace {

const QString kRunning = QStringLiteral(" 正在运行");
const QString kNotRunning = QStringLiteral(" 不在运行");
const QString kKilled = QStringLiteral(" 已杀死");
const QString kQuitting = QStringLiteral("退出主进程");
const QString kRefused = QStringLiteral("拒绝启动 ");
const QString kInstaller = QStringLiteral("marvolt_install");
const QString kDownloadPage = QStringLiteral("https://www.corvela.example/download");

// What a link leads to must lie in the folder too. A missing file starts nothing anyway.
bool resolvesInside(const QString &folder, const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QString root = QFileInfo(folder).canonicalFilePath() + QLatin1Char('/');
    return target.isEmpty() || target.startsWith(root);
}

void logOther(const QString &text)
{
    TSpdlog::instance()->otherInfo(text);
}

QByteArray sha256Of(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QByteArray();
    return hash.result().toHex();
}

// The portal names the file it vouches for by its hash; a file that differs is not started.
bool hashAllows(const QString &path, const QString &sha256, const QString &name)
{
    if (sha256.isEmpty() && !PolicySettings::program().updateHashRequired())
        return true;
    if (sha256.isEmpty()) {
        TSpdlog::instance()->otherWarn(QStringLiteral("update %1 refused: no Sha256").arg(name));
        return false;
    }
    if (sha256Of(path) == sha256.toLower().toLatin1())
        return true;
    TSpdlog::instance()->otherWarn(
        QStringLiteral("update %1 refused: its Sha256 does not match").arg(name));
    return false;
}

// Identifiers of the processes named name, in the system's order, at most one when firstOnly;
// each match is logged, or the absence of any. An unreadable process table logs nothing.
QList<qint64> processesNamed(const QString &name, bool firstOnly)
{
    const std::optional<QVector<Processes::Entry>> entries = Processes::snapshot();
    if (!entries)
        return {};
    QList<qint64> ids;
    for (const Processes::Entry &entry : *entries) {
        if (entry.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        logOther(name + kRunning);
        ids.append(entry.id);
        if (firstOnly)
            break;
    }
    if (ids.isEmpty())
        logOther(name + kNotRunning);
    return ids;
}

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
        ? ScreenRules::screenZoomFactor(screen->logicalDotsPerInch(), screen->devicePixelRatio())
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

double Tools::getNowWindowZoomFactor(const QPoint &mouse) const
{
    const QScreen *screen = screenUnder(mouse);
    return screen
        ? ScreenRules::windowZoomFactor(screen->logicalDotsPerInch(), screen->devicePixelRatio())
        : 1.0;
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

void Tools::quitApp()
{
    TSpdlog::instance()->uiClick(kQuitting);
    emit sgCloseAllWindows();
    // Not quit(): it asks every top-level window to close first and gives up
    // when one refuses, as a page's window put into a scene window always does.
    QCoreApplication::exit(0);
}

void Tools::restartApp()
{
    quitApp();
    startProcess(QCoreApplication::applicationFilePath());
}

void Tools::reinstall()
{
    if (!startProcess(kInstaller + Platform::executableSuffix))
        QDesktopServices::openUrl(QUrl(kDownloadPage));
    quitApp();
}

bool Tools::startProcess(const QString &name)
{
    if (findProcess(name, nullptr))
        return true;
    return QProcess::startDetached(name, { name });
}

void Tools::startLocalProcess(const QString &name)
{
    startInside(QCoreApplication::applicationDirPath(), name, QString());
}

bool Tools::startUpdate(const QString &name, const QString &sha256)
{
    const QString folder = DirHelper::instance()->downloadPath();
    const QString fileName = name + Platform::executableSuffix;
    if (DownloadLanding::isTemporaryName(fileName)) {
        logOther(kRefused + name);
        return false;
    }
    const QString path = SystemRules::pathInside(folder, fileName);
    if (!path.isEmpty() && !hashAllows(path, sha256, name))
        return false;
    return startInside(folder, name, Platform::executableSuffix);
}

void Tools::killProcess(const QString &process)
{
    QList<qint64> ids;
    if (!findProcesses(process, &ids)) {
        qCDebug(lcTools) << "no process to kill named" << process;
        return;
    }
    // Killing this process first would leave the others running.
    const int own = ids.indexOf(QCoreApplication::applicationPid());
    if (own >= 0)
        ids.swapItemsAt(own, ids.size() - 1);
    for (const qint64 id : std::as_const(ids)) {
        if (Processes::terminate(id))
            logOther(process + kKilled);
    }
}

void Tools::setMute(bool silence)
{
    emit sgMuteBrowsers(silence);
}

QString Tools::getCpuID() const
{
    quint32 eax = 0;
    quint32 edx = 0;
    return Processor::versionAndFeatures(&eax, &edx) ? SystemRules::cpuId(edx, eax) : QString();
}

QString Tools::getHostMacAddress() const
{
    QVector<SystemRules::NetworkInterface> interfaces;
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &candidate : all)
        interfaces.append({ candidate.flags(), candidate.hardwareAddress() });
    return SystemRules::activeHardwareAddress(interfaces);
}

bool Tools::findProcess(const QString &name, qint64 *pid) const
{
    const QList<qint64> ids = processesNamed(name, true);
    if (ids.isEmpty())
        return false;
    if (pid)
        *pid = ids.first();
    return true;
}

bool Tools::findProcesses(const QString &name, QList<qint64> *pids) const
{
    *pids = processesNamed(name, false);
    return !pids->isEmpty();
}

void Tools::removeFile(const QString &path) const
{
    const QFileInfo file(path);
    if (file.exists() || file.isSymLink())
        file.dir().remove(file.fileName());
}

// Page-supplied names are joined to a folder; one that climbed out of it, by its text or through
// a link, could start any program on the machine.
bool Tools::startInside(const QString &folder, const QString &name, const QString &suffix)
{
    const QString path = SystemRules::pathInside(folder, name + suffix);
    if (path.isEmpty() || !resolvesInside(folder, path)) {
        logOther(kRefused + name);
        return false;
    }
    return startProcess(path);
}
