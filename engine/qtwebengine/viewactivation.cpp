// Qt 6.5 deprecated QApplication::setActiveWindow for QWidget::activateWindow, which asks the
// desktop, and the desktop leaves a child window as it is: the page would stay unfocused (tried on
// Qt 6.4 and 6.8). No other call does it, so the deprecated one is kept, to this file alone.
#undef QT_DISABLE_DEPRECATED_UP_TO
#define QT_DISABLE_DEPRECATED_UP_TO 0x060400

#include "engine/qtwebengine/viewactivation.h"

#include <QApplication>

void ViewActivation::activate(QWidget *view)
{
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QApplication::setActiveWindow(view);
    QT_WARNING_POP
}
