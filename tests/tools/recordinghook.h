#pragma once

#include "tools/qhook.h"

#include <QPoint>
#include <QStringList>
#include <QVector>

// What reached a handler, as one comparable line.
QString keyLine(const QString &handler, int state, int key, int scanCode);
QString mouseLine(const QString &handler, int kind, int button, int flags);

// A hook object that records every event reaching its handlers. It
// may remove its keyboard hook on the first key, as a handler is allowed to.
class RecordingHook : public QHook
{
public:
    // Test data: the X button clicked ("button") and what reaches the handlers ("expected").
    static void addButtonRows();

    QStringList keys;
    QStringList mice;
    QVector<QPoint> points;
    bool unhookOnKey = false;

protected:
    bool keyPressEvent(KeyEvent *event) override;
    bool keyReleaseEvent(KeyEvent *event) override;
    bool mouseMoveEvent(MouseEvent *event) override;
    bool mousePressEvent(MouseEvent *event) override;
    bool mouseReleaseEvent(MouseEvent *event) override;
    bool wheelEvent(MouseEvent *event) override;

private:
    bool recordKey(const QString &handler, const KeyEvent *event);
    bool recordMouse(const QString &handler, const MouseEvent *event);
};
