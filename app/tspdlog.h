#pragma once

#include "app/logallowance.h"

#include <QObject>

#include <functional>
#include <memory>

namespace spdlog {
class logger;
}

// Categorised logging: every call is mirrored to the Qt debug output and
// written to the log file while the file switch is on ("Browser/DebugEnable",
// handed over by the settings store as it is created). Lines are cut to
// LogExcerpt::lineLength characters; the file and the mirror each take at most
// LogAllowance::bytesPerDay a day.
// Runs on the GUI thread; spdlog's flusher thread flushes the file every 5 s.
// Loggers are never deleted: registered ones live until process exit, the
// fallback one until static destruction.
class TSpdlog : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(TSpdlog)

public:
    // False, leaving the first logger in place, when name is already taken.
    static bool create(const QString &name, const QString &fileName);
    // No name: the first registered logger. Unknown name, or nothing
    // registered yet: the fallback "<application directory>/logs/useless_identify.txt".
    static TSpdlog *instance(const QString &name = QString());
    // Asked before every file write and flush of every logger, so that switching it takes
    // effect at once. Until one is given, lines only reach the debug output.
    static void setFileSwitch(std::function<bool()> isOn);

    Q_INVOKABLE void avInfo(const QString &info);
    Q_INVOKABLE void avWarn(const QString &msg);
    Q_INVOKABLE void avError(const QString &msg);
    Q_INVOKABLE void netInfo(const QString &info);
    Q_INVOKABLE void netWarn(const QString &info);
    Q_INVOKABLE void netError(const QString &info);
    Q_INVOKABLE void otherInfo(const QString &msg);
    Q_INVOKABLE void otherWarn(const QString &msg);
    Q_INVOKABLE void otherError(const QString &msg);
    Q_INVOKABLE void uiClick(const QString &info);
    Q_INVOKABLE void flush();
    Q_INVOKABLE void setInfoFlush();
    Q_INVOKABLE void setErrFlush();
    // What a log line keeps of a text a page chose (LogExcerpt::of).
    Q_INVOKABLE QString excerpt(const QString &text) const;

private:
    explicit TSpdlog(const QString &fileName);

    // level is an spdlog::level::level_enum, kept out of this header.
    void log(int type, int level, const char *tag, const QString &msg);
    bool isWriting() const;

    std::shared_ptr<spdlog::logger> m_logger;
    LogAllowance m_fileAllowance;
};
