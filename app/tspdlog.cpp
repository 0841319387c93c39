#include "app/tspdlog.h"

#include "app/logexcerpt.h"
#include "app/tspdlogassistant.h"

#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QList>

#include <cerrno>
#include <chrono>
#include <string>
#include <type_traits>
#include <utility>

namespace {

const char kPattern[] = "[%Y-%m-%d %H:%M:%S.%e][thread %t][%l] : %v";
const char kLineEnd[] = "\r\n";
// What the pattern adds to a message, near enough to count against the allowance.
constexpr int kPatternBytes = 48;

QHash<QString, int> &registryIndex()
{
    static QHash<QString, int> index;
    return index;
}

QList<TSpdlog *> &registryLoggers()
{
    static QList<TSpdlog *> loggers;
    return loggers;
}

std::function<bool()> &fileSwitch()
{
    static std::function<bool()> isOn;
    return isOn;
}

// spdlog's registry refuses a name twice, so loggers made within one
// millisecond still need distinct names.
std::string uniqueLoggerName()
{
    static qint64 last = 0;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    last = now > last ? now : last + 1;
    return std::to_string(last);
}

// spdlog takes wide file names where it is built for them (Windows) and UTF-8
// everywhere else.
template <typename FileName> FileName nativeFileName(const QString &path)
{
    if constexpr (std::is_same_v<FileName, std::wstring>)
        return path.toStdWString();
    else
        return path.toStdString();
}

// The program makes no folder for a log: the daily folder exists by then, and
// without a "logs" folder beside the executable nobody wants the fallback file.
spdlog::file_event_handlers requireFolder(const QString &fileName)
{
    spdlog::file_event_handlers handlers;
    handlers.before_open = [fileName](const spdlog::filename_t &) {
        if (!QFileInfo(fileName).absoluteDir().exists())
            spdlog::throw_spdlog_ex(
                "Failed opening file " + fileName.toStdString() + " for writing", ENOENT);
    };
    return handlers;
}

// Every logger mirrors to the one debug output, so they share one allowance.
void mirror(const char *tag, const QString &text, qint64 size)
{
    static LogAllowance allowance;
    switch (allowance.take(size)) {
    case LogAllowance::Verdict::Write:
        qDebug().noquote() << tag << text;
        break;
    case LogAllowance::Verdict::WriteNotice:
        qDebug().noquote() << tag << LogAllowance::notice();
        break;
    case LogAllowance::Verdict::Drop:
        break;
    }
}

} // namespace

// The file is appended to: what it holds of today counts.
TSpdlog::TSpdlog(const QString &fileName)
    : m_fileAllowance(QFileInfo(fileName).lastModified().date() == QDate::currentDate()
              ? QFileInfo(fileName).size()
              : 0)
{
    try {
        m_logger = spdlog::basic_logger_mt(uniqueLoggerName(),
            nativeFileName<spdlog::filename_t>(fileName), false, requireFolder(fileName));
        spdlog::set_default_logger(m_logger);
        m_logger->set_formatter(std::make_unique<spdlog::pattern_formatter>(
            kPattern, spdlog::pattern_time_type::local, kLineEnd));
    } catch (const spdlog::spdlog_ex &error) {
        m_logger.reset();
        qDebug().noquote() << QStringLiteral("Log initialization failed: ")
                + QString::fromLocal8Bit(error.what());
    }
    if (!m_logger) {
        qDebug().noquote() << QStringLiteral("init log error");
        return;
    }
    m_logger->flush_on(spdlog::level::err);
    spdlog::flush_every(std::chrono::seconds(5));
}

bool TSpdlog::create(const QString &name, const QString &fileName)
{
    if (registryIndex().contains(name))
        return false;
    registryIndex().insert(name, registryLoggers().size());
    registryLoggers().append(new TSpdlog(fileName));
    return true;
}

TSpdlog *TSpdlog::instance(const QString &name)
{
    const QList<TSpdlog *> &loggers = registryLoggers();
    if (name.isEmpty() && !loggers.isEmpty())
        return loggers.first();
    const auto registered = registryIndex().constFind(name);
    if (registered != registryIndex().constEnd())
        return loggers.at(registered.value());
    static TSpdlog fallback(
        QCoreApplication::applicationDirPath() + QStringLiteral("/logs/useless_identify.txt"));
    return &fallback;
}

void TSpdlog::setFileSwitch(std::function<bool()> isOn)
{
    fileSwitch() = std::move(isOn);
}

void TSpdlog::avInfo(const QString &info)
{
    log(TSpdlogAssistant::AvType, spdlog::level::info, "[avInfo]", info);
}

void TSpdlog::avWarn(const QString &msg)
{
    log(TSpdlogAssistant::AvType, spdlog::level::warn, "[avWarn]", msg);
}

void TSpdlog::avError(const QString &msg)
{
    log(TSpdlogAssistant::AvType, spdlog::level::err, "[avError]", msg);
}

void TSpdlog::netInfo(const QString &info)
{
    log(TSpdlogAssistant::NetType, spdlog::level::info, "[netInfo]", info);
}

void TSpdlog::netWarn(const QString &info)
{
    log(TSpdlogAssistant::NetType, spdlog::level::warn, "[netWarn]", info);
}

void TSpdlog::netError(const QString &info)
{
    log(TSpdlogAssistant::NetType, spdlog::level::err, "[netError]", info);
}

void TSpdlog::otherInfo(const QString &msg)
{
    log(TSpdlogAssistant::OtherType, spdlog::level::info, "[OtherType]", msg);
}

void TSpdlog::otherWarn(const QString &msg)
{
    log(TSpdlogAssistant::OtherType, spdlog::level::warn, "[OtherType]", msg);
}

void TSpdlog::otherError(const QString &msg)
{
    log(TSpdlogAssistant::OtherType, spdlog::level::err, "[OtherType]", msg);
}

void TSpdlog::uiClick(const QString &info)
{
    log(TSpdlogAssistant::UiClick, spdlog::level::info, "[Click:]", info);
}

void TSpdlog::flush()
{
    if (isWriting())
        m_logger->flush();
}

void TSpdlog::setInfoFlush()
{
    if (isWriting())
        m_logger->flush_on(spdlog::level::info);
}

void TSpdlog::setErrFlush()
{
    if (isWriting())
        m_logger->flush_on(spdlog::level::err);
}

QString TSpdlog::excerpt(const QString &text) const
{
    return LogExcerpt::of(text);
}

// Clicks keep their line feeds and, like errors, reach the disk at once.
void TSpdlog::log(int type, int level, const char *tag, const QString &msg)
{
    QString text = QStringLiteral(" [") + TSpdlogAssistant().typeName(type) + QStringLiteral("] ")
        + LogExcerpt::of(msg, LogExcerpt::lineLength);
    const bool isClick = type == TSpdlogAssistant::UiClick;
    if (level == spdlog::level::info && !isClick)
        text.remove(QLatin1Char('\n'));
    QByteArray utf8 = text.toUtf8();
    mirror(tag, text, utf8.size() + kPatternBytes);
    if (!isWriting())
        return;
    switch (m_fileAllowance.take(utf8.size() + kPatternBytes)) {
    case LogAllowance::Verdict::Write:
        break;
    case LogAllowance::Verdict::WriteNotice:
        utf8 = LogAllowance::notice().toUtf8();
        level = spdlog::level::err;
        break;
    case LogAllowance::Verdict::Drop:
        return;
    }
    m_logger->log(static_cast<spdlog::level::level_enum>(level),
        spdlog::string_view_t(utf8.constData(), static_cast<size_t>(utf8.size())));
    if ((level == spdlog::level::err || isClick) && isWriting())
        m_logger->flush();
}

bool TSpdlog::isWriting() const
{
    return m_logger && fileSwitch() && fileSwitch()();
}
