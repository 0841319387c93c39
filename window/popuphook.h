#pragma once

#include <QObject>
#include <QString>

class WindowRegistry;

// The window the portal names to hear of the new views pages ask for (the
// HookPopup push): the page asking gets no window either way.
// Runs on the GUI thread; the window manager owns it.
class PopupHook : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PopupHook)

public:
    PopupHook(const WindowRegistry &registry, QObject *parent = nullptr);

    // An empty name: no window takes popups. A name the guard refuses changes nothing.
    void setWindow(const QString &objectName);
    // script: the push for the hook window's page; url: the popup's address.
    void onHookPopup(const QString &script, const QString &url);

private:
    const WindowRegistry &m_registry;
    QString m_name;
};
