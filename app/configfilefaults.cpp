#include "app/configfilefaults.h"

#include <QFile>
#include <QSaveFile>

namespace {

bool endsInEscape(const QByteArray &line)
{
    int backslashes = 0;
    for (int i = line.size() - 1; i >= 0 && line.at(i) == '\\'; --i)
        ++backslashes;
    return backslashes % 2 == 1;
}

bool hasOpenQuote(const QByteArray &line)
{
    bool open = false;
    for (int i = 0; i < line.size(); ++i) {
        if (line.at(i) == '\\')
            ++i;
        else if (line.at(i) == '"')
            open = !open;
    }
    return open;
}

bool isReadable(const QByteArray &rawLine)
{
    const QByteArray line = rawLine.trimmed();
    if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
        return true;
    if (line.contains('\0') || endsInEscape(line) || hasOpenQuote(line))
        return false;
    // The store takes a section without its "]" for a broken file and then writes nothing.
    if (line.startsWith('['))
        return line.contains(']');
    return line.contains('=');
}

} // namespace

QByteArray ConfigFileFaults::readableLines(const QByteArray &text, int *dropped)
{
    QByteArray kept;
    *dropped = 0;
    for (const QByteArray &line : text.split('\n')) {
        if (!isReadable(line)) {
            ++*dropped;
            continue;
        }
        kept += line;
        kept += '\n';
    }
    // One newline too many: split() leaves nothing after the last line.
    kept.chop(1);
    return kept;
}

int ConfigFileFaults::repair(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = file.readAll();
    file.close();
    int dropped = 0;
    const QByteArray kept = readableLines(text, &dropped);
    if (dropped == 0)
        return 0;
    QFile::remove(path + QStringLiteral(".unreadable"));
    QSaveFile repaired(path);
    if (!QFile::copy(path, path + QStringLiteral(".unreadable"))
        || !repaired.open(QIODevice::WriteOnly) || repaired.write(kept) != kept.size()
        || !repaired.commit())
        return 0;
    return dropped;
}

QString ConfigFileFaults::writeFailureReason(const QString &path, bool formatError)
{
    if (formatError)
        return QStringLiteral("the file holds text the settings store cannot read");
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly))
        return probe.errorString();
    const bool written = probe.write(" ", 1) == 1 && probe.flush();
    const QString reason
        = written ? QStringLiteral("the file could not be replaced") : probe.errorString();
    probe.cancelWriting();
    return reason;
}
