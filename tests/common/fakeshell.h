#pragma once

#include "shellscene.h"

class FakeEngine;
class FakePage;
class FakeProfile;

// The shell set up in-process as the program sets it up, on the fake engine:
// the scene, the window manager, and pages that render nothing and tell what
// the test plays.
// Runs on the GUI thread; owns the scene and the engine.
class FakeShell
{
    Q_DISABLE_COPY(FakeShell)

public:
    FakeShell();

    // Once. False, with a warning, when the scene did not start.
    bool start();

    ShellScene &scene() { return m_scene; }
    const ShellScene &scene() const { return m_scene; }
    QCefView *windows() const { return m_scene.windows(); }
    FakeEngine *engine() const { return m_engine; }
    FakeProfile *profile() const;

    // The page put into the named window; null before it is attached.
    FakePage *pageOf(const QString &window) const;
    // The same, waited for; null on a time-out.
    FakePage *waitForPage(const QString &window) const;

private:
    FakeEngine *m_engine = nullptr;
    ShellScene m_scene;
};
