#pragma once

#include "tools/qhook.h"
#include "window/windowdraghook.h"

#include <QPointer>
#include <QString>

class QCefView;
class QWindow;

// The shell's global keys and the drags its pages start: F8 hides and restores the whole shell,
// Escape and F11 leave full screen, and a window being moved or resized follows the pointer until
// a mouse button is released. Every key is passed on: other programs still receive it.
// Runs on the GUI thread. The program holds one from start-up until process exit; it acts once
// it knows the window manager.
class WindowHook : public QHook, public WindowDragHook
{
    Q_OBJECT
    Q_DISABLE_COPY(WindowHook)

public:
    // Installs the keyboard and the mouse hook.
    explicit WindowHook(QObject *parent = nullptr);

    void setWindowManager(QCefView *windows);

    // WindowDragHook:
    void startMove(WindowRecord *record) override;
    void startResize(WindowRecord *record, int startWidth, int startHeight) override;

protected:
    // QHook:
    bool keyPressEvent(KeyEvent *event) override;
    bool keyReleaseEvent(KeyEvent *event) override;
    bool mouseMoveEvent(MouseEvent *event) override;
    bool mouseReleaseEvent(MouseEvent *event) override;

private:
    // A record may go in the middle of a drag, and its name come back with another window: the
    // drag holds both and ends when they no longer match.
    struct Target
    {
        QString name;
        QPointer<QWindow> window;
    };

    WindowRecord *targetRecord(const Target &target) const;
    void toggleShell();
    void followMove(const QPoint &cursor);
    void followResize(const QPoint &cursor);
    void endMove();

    QCefView *m_windows = nullptr;
    Target m_moving;
    Target m_resizing;
    // 0: that dimension is not resized.
    int m_startWidth = 0;
    int m_startHeight = 0;
    // The Escape held down found a page holding the pointer: its release gives the pointer back
    // and leaves full screen alone, as browsers do.
    bool m_escapeReleasesPointer = false;
};
