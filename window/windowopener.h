#pragma once

#include "window/windowrecord.h"

#include <QString>

#include <memory>

class BrowserAttacher;
class QObject;
class WindowPlacement;
class WindowRegistry;

// What opening a window asks for, in the page's own words: flags are "1" or
// not, the rectangle is "left,top,right,bottom".
struct WindowRequest
{
    QString objectName;
    QString fatherName;
    QString ie;
    QString url;
    QString rect;
    QString align;
    QString valign;
    QString needHide;
    QString lostFocusHide;
    QString front;
    bool visible = true;
};

// Turns an opening request into the new window's record and the properties
// the scene creates its window with: where it goes (beside its father, or on
// the screen under the pointer) and which flags it carries. A child that
// hides hides its father's other children that hide.
// Runs on the GUI thread; the window manager owns it.
class WindowOpener
{
    Q_DISABLE_COPY(WindowOpener)

public:
    WindowOpener(
        QWindow *mainWindow, const WindowRegistry &registry, const BrowserAttacher &attacher);

    struct Opening
    {
        std::unique_ptr<WindowRecord> record;
        // The father's scene window's focus object, or none for a root.
        QObject *fatherObject = nullptr;
        QString json;
    };
    Opening open(const WindowRequest &request) const;

private:
    WindowPlacement place(const WindowRequest &request, bool lostFocusHide) const;
    QString sceneJson(const WindowRequest &request, const QRect &frame, bool front) const;
    void hideSiblingsThatNeedHide(const QString &fatherName) const;

    QWindow *m_mainWindow;
    const WindowRegistry &m_registry;
    const BrowserAttacher &m_attacher;
};
