#pragma once

#include <QObject>

class WindowRegistry;

// Tells each window's page whether the player can see it, as a browser tells a tab: its scene
// window hidden (by the portal, or with the whole shell) or minimised puts the page out of
// sight, and showing the window again brings it back. The engine hears of its own view only,
// which stays shown inside a scene window whatever becomes of that window.
// Runs on the GUI thread; the window manager owns it.
class PageSight : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PageSight)

public:
    explicit PageSight(const WindowRegistry &registry, QObject *parent = nullptr);

    // From attachment on, for as long as the scene window lives.
    void onAttached(const QString &name);

private:
    void tell(const QString &name) const;

    const WindowRegistry &m_registry;
};
