#pragma once

#include "engine/qtwebengine/permissionquestions.h"

#include <QObject>
#include <QPointer>

class EnginePage;
class PageNotice;
class QWebEnginePage;
struct PlayerGesture;

// A page's pointer lock. The engine asks for any request of a focused window, gesture or not,
// naming the page rather than the frame: the shell is asked with the player's last gesture, and
// the bridge's world in the frame that gets the lock lets it go unless the player acted in that
// very document last; the document that kept it is named to the player. The engine lets the lock
// go on Escape and when the window loses the focus.
// Runs on the GUI thread; a child of the page's adapter.
class PagePointerLock : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PagePointerLock)

public:
    PagePointerLock(EnginePage *owner, PageNotice *notice);

    // The engine's page the answers go to; a page that takes an ended one's place asks anew.
    void setPage(QWebEnginePage *page);
    bool isHeld() const;
    // The bridge's world says which document kept a lock: the one the player acted in last.
    // Also for a frame's lock the engine gives without asking, after the frame let the pointer
    // go itself.
    void onKept(const QString &origin);

private:
    void onAsked(const PermissionQuestions::Question &question);
    void answer(const PermissionQuestions::Question &question, const PlayerGesture &gesture);

    EnginePage &m_owner;
    PageNotice *m_notice;
    PermissionQuestions *m_questions;
    QPointer<QWebEnginePage> m_page;
    bool m_granted = false;
};
