#pragma once

#include <QLabel>

class QTimer;

// The few words over a page that took the pointer or the screen: the player must know who did,
// and the way back.
// Runs on the GUI thread. A child of the page's view.
class PageNotice : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY(PageNotice)

public:
    explicit PageNotice(QWidget *view);

    // Shown at the top of the view for a few seconds, in place of what it showed before.
    void showBriefly(const QString &text);

private:
    QTimer *m_hideTimer;
};
