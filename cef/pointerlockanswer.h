#pragma once

#include <QObject>

class EnginePage;
class PointerLockRequest;

// Games lock the pointer for mouse look; browsers lock it only for the document the player has
// just clicked or typed in. The engine asks for any request of a focused window, gesture or not:
// a lock is granted only within a recent gesture of a document with an origin of its own.
// Runs on the GUI thread; a child of the page, so it goes with it.
class PointerLockAnswer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PointerLockAnswer)

public:
    explicit PointerLockAnswer(EnginePage *page);

private:
    static void onPointerLockRequested(PointerLockRequest &request);
};
