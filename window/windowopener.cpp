#include "window/windowopener.h"

#include "tools/tools.h"
#include "window/browserattacher.h"
#include "window/windowplacement.h"
#include "window/windowregistry.h"

#include <QCursor>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>

namespace {

bool isOn(const QString &flag)
{
    return flag == QLatin1String("1");
}

} // namespace

WindowOpener::WindowOpener(
    QWindow *mainWindow, const WindowRegistry &registry, const BrowserAttacher &attacher)
    : m_mainWindow(mainWindow)
    , m_registry(registry)
    , m_attacher(attacher)
{
}

WindowOpener::Opening WindowOpener::open(const WindowRequest &request) const
{
    Opening opening;
    auto &record = opening.record = std::make_unique<WindowRecord>();
    record->objectName = request.objectName;
    record->url = request.url;
    record->lostFocusHide = isOn(request.lostFocusHide);
    record->front = isOn(request.front);
    record->isIE = isOn(request.ie);

    const WindowPlacement placement = place(request, record->lostFocusHide);
    record->openSize = QSize(placement.openWidth, placement.openHeight);
    record->openPosition = placement.frame.topLeft();
    record->size = placement.frame.size();
    record->offset = QPoint(placement.offsetX, placement.offsetY);
    record->margins = QMargins(0, 0, placement.marginRight, placement.marginBottom);

    if (const WindowRecord *father = m_registry.find(request.fatherName)) {
        if (QWindow *fatherWindow = m_attacher.sceneWindow(*father))
            opening.fatherObject = fatherWindow->focusObject();
        record->fatherName = request.fatherName;
        if (isOn(request.needHide)) {
            hideSiblingsThatNeedHide(request.fatherName);
            record->needHide = true;
        }
    }
    opening.json = sceneJson(request, placement.frame, record->front);
    return opening;
}

WindowPlacement WindowOpener::place(const WindowRequest &request, bool lostFocusHide) const
{
    const QPoint cursor = QCursor::pos();
    // A page may place a window on any screen, but not between them.
    QVector<QRect> workAreas;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens)
        workAreas.append(screen->availableGeometry());
    const WindowPlacement::Request placing { request.rect,
        Tools::instance()->getNowWindowZoomFactor(cursor), request.align, request.valign,
        lostFocusHide, QGuiApplication::primaryScreen()->availableVirtualGeometry(), workAreas };
    const WindowRecord *father = m_registry.find(request.fatherName);
    if (!father)
        return WindowPlacement::forRoot(placing, Tools::instance()->getNowDesktopRect(cursor));

    // A father the scene has created but the tick has not attached yet still
    // has its window; one the scene never made keeps its announced place.
    const QWindow *fatherWindow = m_attacher.sceneWindow(*father);
    const QPoint position = fatherWindow ? fatherWindow->position() : father->openPosition;
    return WindowPlacement::forChild(placing,
        { QRect(position, father->size), father->openSize.width(), father->openSize.height() });
}

QString WindowOpener::sceneJson(const WindowRequest &request, const QRect &frame, bool front) const
{
    QJsonObject json { { QStringLiteral("objectName"), request.objectName },
        { QStringLiteral("x"), frame.x() }, { QStringLiteral("y"), frame.y() },
        { QStringLiteral("width"), frame.width() }, { QStringLiteral("height"), frame.height() },
        { QStringLiteral("flags"), int(m_mainWindow->flags()) },
        { QStringLiteral("visible"), request.visible } };
    if (front)
        json.insert(QStringLiteral("modality"), 1);
    return QString::fromUtf8(QJsonDocument(json).toJson());
}

void WindowOpener::hideSiblingsThatNeedHide(const QString &fatherName) const
{
    m_registry.forEach([&fatherName](const WindowRecord &sibling) {
        if (sibling.fatherName == fatherName && sibling.needHide && sibling.window)
            sibling.window->setVisibility(QWindow::Hidden);
    });
}
