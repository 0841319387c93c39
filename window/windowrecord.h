#pragma once

#include "cef/cefrefptr.h"

#include <QString>
#include <QStringList>
#include <QWindow>

class QCefClient;
class QIE;

// The window manager's record of one named window, from its opening until its
// browser (or legacy control) reports closed. The registry owns it; its
// address stays valid for that whole time.
struct WindowRecord
{
    QString objectName;
    CefRefPtr<QCefClient> client;
    int browserId = 0;
    QWindow *window = nullptr;
    QWindow *browserWindow = nullptr;
    QIE *ieWidget = nullptr;

    int width = 0;
    int height = 0;
    int openWidth = 0;
    int openHeight = 0;
    // Where the window was announced to the scene, for children opened before
    // it is attached.
    int openX = 0;
    int openY = 0;

    QString fatherName;
    int offsetX = 0;
    int offsetY = 0;
    int marginRight = 0;
    int marginBottom = 0;

    bool isIE = false;
    QString url;
    int anchorX = 0;
    int anchorY = 0;
    // Most recently opened or switched first.
    QStringList children;

    bool needHide = false;
    bool lostFocusHide = false;
    int normalX = 0;
    int normalY = 0;
    int normalWidth = 0;
    int normalHeight = 0;
    bool maximized = false;
    bool fullScreen = false;
    bool front = false;
    // Taken when the window is attached, so a restore before any hide gives
    // the window back as it was.
    QWindow::Visibility savedVisibility = QWindow::Hidden;
    bool shown = true;
};
