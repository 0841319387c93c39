#pragma once

#include <QString>

// What of a text a log line keeps: pages choose window names and requests of any length, and
// a log that copied them whole would grow without end.
class LogExcerpt
{
public:
    LogExcerpt() = delete;

    // What a field of a line keeps, in characters.
    static constexpr int fieldLength = 4096;
    // What a whole line keeps, whatever its fields: room for a few fields and the text around.
    static constexpr int lineLength = 4 * fieldLength;

    // text itself when it is no longer than kept characters; otherwise its first kept
    // characters followed by "... (N characters left out)".
    static QString of(const QString &text, int kept = fieldLength);
};
