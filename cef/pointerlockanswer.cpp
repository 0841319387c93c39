#include "cef/pointerlockanswer.h"

#include "engine/enginepage.h"
#include "engine/pagerequests.h"

PointerLockAnswer::PointerLockAnswer(EnginePage *page)
    : QObject(page)
{
    connect(page, &EnginePage::sgPointerLockRequested, this,
        &PointerLockAnswer::onPointerLockRequested);
}

void PointerLockAnswer::onPointerLockRequested(PointerLockRequest &request)
{
    if (!request.gesture().actingOrigin.isEmpty())
        request.accept();
}
