#include "engine/qtwebengine/pagepointerlock.h"

#include "engine/enginepage.h"
#include "engine/pagerequests.h"
#include "engine/qtwebengine/pagenotice.h"
#include "engine/qtwebengine/playergestures.h"

#include <QGuiApplication>
#include <QWebEnginePage>

PagePointerLock::PagePointerLock(EnginePage *owner, PageNotice *notice)
    : QObject(owner)
    , m_owner(*owner)
    , m_notice(notice)
    , m_questions(new PermissionQuestions(this))
{
    connect(m_questions, &PermissionQuestions::sgAsked, this, &PagePointerLock::onAsked);
}

void PagePointerLock::setPage(QWebEnginePage *page)
{
    m_page = page;
    m_questions->setPage(page);
}

// The engine hides the cursor for the whole program while one of its pages holds the pointer,
// and shows it again when the lock ends, by Escape, the window losing the focus or the page.
bool PagePointerLock::isHeld() const
{
    const QCursor *cursor = QGuiApplication::overrideCursor();
    return m_granted && cursor && cursor->shape() == Qt::BlankCursor;
}

void PagePointerLock::onKept(const QString &origin)
{
    m_granted = true;
    m_notice->showBriefly(tr("%1 holds the mouse. Press Escape to release it").arg(origin));
}

void PagePointerLock::onAsked(const PermissionQuestions::Question &question)
{
    if (question.kind != PermissionQuestions::Kind::PointerLock)
        return;
    PlayerGestures::ask(m_page, this,
        [this, question](const PlayerGesture &gesture) { answer(question, gesture); });
}

void PagePointerLock::answer(
    const PermissionQuestions::Question &question, const PlayerGesture &gesture)
{
    PointerLockRequest request(question.origin, gesture);
    emit m_owner.sgPointerLockRequested(request);
    question.answer(request.isAccepted());
    if (request.isAccepted())
        m_granted = true;
}
