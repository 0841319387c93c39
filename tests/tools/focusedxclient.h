#pragma once

#include <QByteArray>
#include <QProcess>

class QRect;
struct _XDisplay;

// Another program on the test X server holding the input focus: xev, which reports every key it
// receives. It ends with this object.
class FocusedXClient
{
    Q_DISABLE_COPY(FocusedXClient)

public:
    FocusedXClient();
    ~FocusedXClient();

    // Its window at frame, where the test does not point; false when it does not come up focused.
    bool start(const QRect &frame);
    bool focus();
    bool hasFocus() const;
    // Waits until it reports having received a press of the key X names so ("F8").
    bool waitForKeyPress(const QByteArray &keyName);

private:
    unsigned long findWindow(const QByteArray &name) const;
    bool hasKeyPress(const QByteArray &keyName);

    QProcess m_process;
    _XDisplay *m_display;
    unsigned long m_window = 0;
    QByteArray m_output;
};
