#pragma once

#include <QObject>
#include <QString>

// The system asking the program to end: SIGTERM (a desktop session logging
// out), SIGINT and SIGHUP on Linux, the console's control events on Windows.
// Each arrives on the GUI thread as sgQuitAsked, so the program quits the same
// orderly way a page's quit does instead of dying with its storage unwritten.
// One implementation per platform (quitsignals_linux.cpp, quitsignals_win.cpp).
// One per process, made on the GUI thread; the system's default handling comes
// back when it is destroyed.
class QuitSignals : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(QuitSignals)

public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override;

signals:
    // name: what the system sent, e.g. "SIGTERM".
    void sgQuitAsked(const QString &name);
};
