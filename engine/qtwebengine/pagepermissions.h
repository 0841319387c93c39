#pragma once

#include "engine/qtwebengine/permissionquestions.h"

#include <QObject>

class ClipboardGate;
class EnginePage;
class QWebEnginePage;

// A page's permission requests, asked of the shell and answered to the engine at once: nobody is
// there to ask. Pointer lock is no permission here (PagePointerLock).
// Runs on the GUI thread; a child of the page's adapter.
class PagePermissions : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PagePermissions)

public:
    PagePermissions(EnginePage *owner, ClipboardGate *clipboard);

    // The engine's page the answers go to; a page that takes an ended one's place asks anew.
    void setPage(QWebEnginePage *page);
    // The main frame is about to load url: the engine answers a page's question what a request
    // would get from what it was told, so the answers of the document's origin are given before
    // the document exists.
    void answerAhead(const QUrl &url);

private:
    void onAsked(const PermissionQuestions::Question &question);

    EnginePage &m_owner;
    ClipboardGate *m_clipboard;
    PermissionQuestions *m_questions;
};
