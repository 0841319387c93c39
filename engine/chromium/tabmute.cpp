#include "engine/chromium/tabmute.h"

#include "engine/chromium/devtoolspipe.h"
#include "engine/enginelog.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTimer>

namespace {

// The browser starts the worker as it installs the extension, within a second on an idle machine.
constexpr int kWorkerSearchMs = 100;
constexpr int kWorkerSearches = 100;

} // namespace

TabMute::TabMute(DevToolsPipe *pipe, const QString &folder, QObject *parent)
    : QObject(parent)
    , m_pipe(pipe)
    , m_folder(folder)
{
}

void TabMute::install()
{
    m_session.clear();
    m_searches = 0;
    if (!writeExtension()) {
        qCWarning(lcEngine).noquote() << "no tab mute: cannot write its extension to" << m_folder;
        return;
    }
    QPointer<TabMute> self(this);
    m_pipe->send(QStringLiteral("Extensions.loadUnpacked"),
        { { QStringLiteral("path"), m_folder } }, QString(), [self](const QJsonObject &reply) {
            const QString id = reply.value(QStringLiteral("id")).toString();
            if (!self)
                return;
            if (id.isEmpty())
                qCWarning(lcEngine) << "no tab mute: Chromium did not load its extension" << reply;
            else
                self->lookForWorker(id);
        });
}

bool TabMute::writeExtension() const
{
    if (!QDir().mkpath(m_folder))
        return false;
    for (const QString &name : { QStringLiteral("manifest.json"), QStringLiteral("worker.js") }) {
        QFile::remove(m_folder + QLatin1Char('/') + name);
        if (!QFile::copy(
                QStringLiteral(":/chromium/tabmute/") + name, m_folder + QLatin1Char('/') + name))
            return false;
    }
    return true;
}

void TabMute::lookForWorker(const QString &extensionId)
{
    const QString workerUrl = QStringLiteral("chrome-extension://%1/").arg(extensionId);
    QPointer<TabMute> self(this);
    m_pipe->send(QStringLiteral("Target.getTargets"), {}, QString(),
        [self, extensionId, workerUrl](const QJsonObject &reply) {
            if (!self)
                return;
            const QJsonArray targets = reply.value(QStringLiteral("targetInfos")).toArray();
            for (const QJsonValue &target : targets) {
                const QJsonObject info = target.toObject();
                if (info.value(QStringLiteral("type")).toString() == QLatin1String("service_worker")
                    && info.value(QStringLiteral("url")).toString().startsWith(workerUrl)) {
                    self->onWorkerFound(info.value(QStringLiteral("targetId")).toString());
                    return;
                }
            }
            if (++self->m_searches < kWorkerSearches)
                QTimer::singleShot(kWorkerSearchMs, self,
                    [self, extensionId] { self->lookForWorker(extensionId); });
            else
                qCWarning(lcEngine) << "no tab mute: its extension's worker did not start";
        });
}

// A worker the protocol is attached to is kept running.
void TabMute::onWorkerFound(const QString &targetId)
{
    QPointer<TabMute> self(this);
    m_pipe->send(QStringLiteral("Target.attachToTarget"),
        { { QStringLiteral("targetId"), targetId }, { QStringLiteral("flatten"), true } },
        QString(), [self](const QJsonObject &reply) {
            if (!self)
                return;
            self->m_session = reply.value(QStringLiteral("sessionId")).toString();
            qCDebug(lcEngine) << "Chromium's tab mute is ready";
            const QHash<QString, bool> waiting = std::exchange(self->m_waiting, {});
            for (auto it = waiting.cbegin(); it != waiting.cend(); ++it)
                self->mute(it.key(), it.value());
        });
}

void TabMute::setMuted(const QString &targetId, bool muted)
{
    if (m_session.isEmpty())
        m_waiting.insert(targetId, muted);
    else
        mute(targetId, muted);
}

void TabMute::mute(const QString &targetId, bool muted)
{
    const QString arguments = QString::fromUtf8(
        QJsonDocument(QJsonArray { targetId, muted }).toJson(QJsonDocument::Compact));
    m_pipe->send(QStringLiteral("Runtime.evaluate"),
        { { QStringLiteral("expression"),
              QStringLiteral("lumenMuteTarget.apply(null, %1)").arg(arguments) },
            { QStringLiteral("awaitPromise"), true } },
        m_session);
}
