#pragma once

#include <QObject>

// Keeps the desktop's screen saver and screen blanking away while inhibited: through the
// freedesktop screen-saver service on the session bus, or, where no such service answers, the X
// screen-saver extension (screensaverinhibitor_linux.cpp); through the thread's display-required
// state on Windows (screensaverinhibitor_win.cpp). Destroying it lets the screen saver back.
// Runs on the GUI thread.
class ScreenSaverInhibitor : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ScreenSaverInhibitor)

public:
    explicit ScreenSaverInhibitor(QObject *parent = nullptr);
    ~ScreenSaverInhibitor() override;

    void setInhibited(bool inhibited);
    bool isInhibited() const { return m_wanted; }

private:
    // Per platform:
    void inhibit();
    void uninhibit();
    void onInhibitAnswered(bool answered, quint32 cookie);
    void suspendThroughExtension(bool suspended);

    bool m_wanted = false;
    // The desktop's answer is awaited: what is wanted meanwhile is settled once it comes.
    bool m_asking = false;
    // The service's cookie for the inhibition it holds; 0 when it holds none.
    quint32 m_cookie = 0;
    bool m_suspendedThroughExtension = false;
};
