#pragma once

#include <QLabel>

class QTimer;

// The few words over a page that took the pointer: the cursor is gone, and the player must
// know the way back to it.
// Runs on the GUI thread. A child of the page's view.
class PointerLockNotice : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY(PointerLockNotice)

public:
    explicit PointerLockNotice(QWidget *view);

    // Shown at the top of the view for a few seconds.
    void showBriefly();

private:
    QTimer *m_hideTimer;
};
