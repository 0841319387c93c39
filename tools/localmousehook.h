#pragma once

#include "tools/inputhook.h"

#include <QObject>

// Stands in for the global mouse hook where none can be installed: the pointer events of the
// process's own windows, in screen coordinates. A button held in one of them keeps the pointer
// with that window, so a drag started there is still followed to its release.
// Runs on the GUI thread; needs the application object.
class LocalMouseHook : public QObject, public InputHook
{
    Q_OBJECT
    Q_DISABLE_COPY(LocalMouseHook)

public:
    LocalMouseHook();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
