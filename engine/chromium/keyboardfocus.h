#pragma once

#include <QObject>
#include <QPointer>

class QWindow;

// The keys go to the page while the shell's window holding it is the active one: the browser
// hears keys only while its own window has the desktop's focus, which goes to our top-level
// window when the player activates or clicks it. The page's window takes it over then.
// Runs on the GUI thread; a child of the page's adapter.
class KeyboardFocus : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(KeyboardFocus)

public:
    explicit KeyboardFocus(QObject *parent);

    void setWindow(QWindow *page);
    // The player clicked the page, which may hold the active window's focus no longer.
    void onClicked();

private:
    void onFocusWindowChanged(QWindow *focus);
    bool holdsPage(const QWindow *window) const;
    void giveAfterActivation();

    QPointer<QWindow> m_page;
};
