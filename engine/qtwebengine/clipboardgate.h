#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWebEnginePage;

// Browsers let a page's script write to the clipboard only around the player's input; the engine
// has one switch for every frame of the page. It is on for a gesture's span after the player's
// click or key reaches the window, before the page hears of it; the bridge's world in each frame
// keeps copying to the document the player acted in, and the engine's frame policy keeps the
// clipboard API from other sites' frames unless their frame allows it.
// Runs on the GUI thread; a child of the page's adapter.
class ClipboardGate : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ClipboardGate)

public:
    explicit ClipboardGate(QObject *parent);

    // The engine's page the switch belongs to; a page that takes an ended one's place takes
    // the switch as it stands.
    void setPage(QWebEnginePage *page);
    // Whether the page's main document may write to the clipboard at all.
    void setAllowed(bool allowed);
    void onPlayerInput();

private:
    void setOpen(bool open);

    QPointer<QWebEnginePage> m_page;
    bool m_allowed = false;
    bool m_open = false;
    QTimer m_closing;
};
