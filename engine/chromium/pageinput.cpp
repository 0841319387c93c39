#include "engine/chromium/pageinput.h"

#include "engine/chromium/devtoolspipe.h"
#include "engine/chromium/gesturequery.h"
#include "engine/chromium/keyboardfocus.h"
#include "engine/enginepage.h"
#include "engine/pagerequests.h"

#include <QJsonArray>
#include <QStringList>

namespace {

// Every menu opens on the page, and on any of the other targets besides.
constexpr int kOtherTargets = ContextMenuRequest::Link | ContextMenuRequest::Media
    | ContextMenuRequest::Selection | ContextMenuRequest::Editable;

} // namespace

PageInput::PageInput(
    EnginePage *owner, DevToolsPipe *pipe, const QString &session, std::function<int()> world)
    : QObject(owner)
    , m_owner(*owner)
    , m_pipe(pipe)
    , m_session(session)
    , m_world(std::move(world))
    , m_fullScreen(*owner, [this](const QString &code) { runInWorld(code); })
    , m_pointerLock(
          *owner,
          [this](const ChromiumPointerLock::GestureAnswer &answer) {
              GestureQuery::ask(m_pipe, m_session, m_world(), this, answer);
          },
          [this](const QString &code) { runInWorld(code); })
    , m_focus(new KeyboardFocus(this))
{
}

// The page's script must hold a menu back before the shell could be asked: the shell is asked
// ahead, once, about each kind of menu.
const QString &PageInput::menuScript()
{
    if (!m_menuScript.isEmpty())
        return m_menuScript;
    QStringList let;
    for (int others = 0; others <= kOtherTargets; ++others) {
        ContextMenuRequest request(ContextMenuRequest::Page | others);
        emit m_owner.sgContextMenuRequested(request);
        if (!request.isSuppressed())
            let.append(QString::number(request.targets()));
    }
    m_menuScript = QStringLiteral("var menusLet = [%1];").arg(let.join(QLatin1Char(',')));
    return m_menuScript;
}

void PageInput::onReport(const QJsonArray &message)
{
    const QString what = message.at(0).toString();
    if (what == QLatin1String("fullscreen"))
        m_fullScreen.onChanged(message.at(1).toBool(), message.at(2).toString());
    else if (what == QLatin1String("lock"))
        m_pointerLock.onKept(message.at(1).toString());
    else if (what == QLatin1String("unlocked"))
        m_pointerLock.onReleased();
    else if (what == QLatin1String("click"))
        m_focus->onClicked();
    else if (what == QLatin1String("focus"))
        emit m_owner.sgFocused();
}

void PageInput::setWindow(QWindow *window)
{
    m_focus->setWindow(window);
}

void PageInput::leaveFullScreen()
{
    m_fullScreen.leave();
}

bool PageInput::holdsPointerLock() const
{
    return m_pointerLock.isHeld();
}

// Anywhere else the page's own script could have replaced what the code calls.
void PageInput::runInWorld(const QString &code)
{
    const int world = m_world();
    if (world != 0)
        m_pipe->send(QStringLiteral("Runtime.evaluate"),
            { { QStringLiteral("expression"), code }, { QStringLiteral("contextId"), world } },
            m_session);
}
