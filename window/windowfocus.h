#pragma once

#include <QString>

class QWindow;
class WindowRegistry;
struct WindowRecord;

// Which window is in front: a window switched to comes up (and may hide the
// windows it replaces), windows opened "in front" stay above the others, and
// the open popup (a window that hides when it loses the focus) closes when
// another window of the shell takes the focus; focus leaving for another
// program closes nothing.
// Runs on the GUI thread; the window manager owns it.
class WindowFocus
{
    Q_DISABLE_COPY(WindowFocus)

public:
    explicit WindowFocus(const WindowRegistry &registry);

    // A root hides its children; a child hides its siblings that hide.
    void switchTo(WindowRecord &record, bool hideOthers);
    void raiseFrontWindows(int exceptBrowserId) const;
    void onFocusTo(const QString &name);
    // Null: the focus went to another program.
    void onFocusWindowChanged(QWindow *window);
    void forget(const QString &name);

private:
    void hideOthersForSwitch(const WindowRecord &record);

    const WindowRegistry &m_registry;
    // A name rather than a record: the popup may close and go at any time.
    QString m_currentPopup;
};
