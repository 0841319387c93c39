#pragma once

#include <QStringList>

// Every message written to the debug output while it exists, where the log
// facade mirrors its calls; the messages still reach the previous handler.
// One at a time. The engine may write from threads of its own.
class DebugCapture
{
    Q_DISABLE_COPY(DebugCapture)

public:
    DebugCapture();
    ~DebugCapture();

    QStringList lines() const;
    void clear();
};
