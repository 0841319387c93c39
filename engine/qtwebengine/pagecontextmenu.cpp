#include "engine/qtwebengine/pagecontextmenu.h"

#include "engine/enginepage.h"
#include "engine/pagerequests.h"

#include <QMenu>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineView>

namespace {

int targetsOf(const QWebEngineContextMenuRequest &request)
{
    int targets = ContextMenuRequest::Page;
    if (!request.linkUrl().isEmpty())
        targets |= ContextMenuRequest::Link;
    if (request.mediaType() != QWebEngineContextMenuRequest::MediaTypeNone)
        targets |= ContextMenuRequest::Media;
    if (!request.selectedText().isEmpty())
        targets |= ContextMenuRequest::Selection;
    if (request.isContentEditable())
        targets |= ContextMenuRequest::Editable;
    return targets;
}

} // namespace

PageContextMenu::PageContextMenu(EnginePage *owner, QWebEngineView *view)
    : QObject(owner)
    , m_owner(*owner)
    , m_view(view)
{
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, &PageContextMenu::onRequested);
}

void PageContextMenu::onRequested(const QPoint &position)
{
    const QWebEngineContextMenuRequest *request = m_view->lastContextMenuRequest();
    if (!request)
        return;
    ContextMenuRequest menu(targetsOf(*request));
    emit m_owner.sgContextMenuRequested(menu);
    if (menu.isSuppressed())
        return;
    QMenu *standard = m_view->createStandardContextMenu();
    standard->setAttribute(Qt::WA_DeleteOnClose);
    standard->popup(m_view->mapToGlobal(position));
}
