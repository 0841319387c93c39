#pragma once

#include <QByteArray>
#include <QString>

// What can go wrong with config.ini on disk, and how the store copes.
// Unreadable lines: a NUL byte, a value with an unbalanced quote or a trailing
// backslash (the settings store reads on across the next lines, so one such
// line swallows every entry below it, the main URL among them), a section
// without its "]" (the store then never writes the file), or a line that is
// neither an entry, a section nor a comment (the next write drops it).
class ConfigFileFaults
{
public:
    // The readable lines of an INI text, in order; dropped counts the others.
    static QByteArray readableLines(const QByteArray &text, int *dropped);
    // Before the store opens the file: a file holding unreadable lines is kept
    // whole as "<path>.unreadable" and left with its readable lines only, so
    // every entry it holds reads and survives the next write. The number of
    // lines dropped; 0 when nothing changed.
    static int repair(const QString &path);
    // Why writing the file fails, as the system puts it; formatError: the store
    // found the file unreadable, and so refused to write it.
    static QString writeFailureReason(const QString &path, bool formatError);
};
