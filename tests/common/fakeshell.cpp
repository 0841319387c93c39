#include "fakeshell.h"

#include "fakeengine.h"
#include "window/qcefview.h"

#include <QTest>

namespace {

// Pages of the fake engine arrive on a later turn of the event loop.
constexpr int kAttachTimeout = 5000;

} // namespace

FakeShell::FakeShell()
    : m_scene([this] {
        auto engine = std::make_unique<FakeEngine>();
        m_engine = engine.get();
        return engine;
    })
{
}

bool FakeShell::start()
{
    return m_scene.start();
}

FakeProfile *FakeShell::profile() const
{
    return m_engine ? m_engine->fakeProfile() : nullptr;
}

FakePage *FakeShell::pageOf(const QString &window) const
{
    const WindowRecord *record = windows()->findWindow(window);
    return record && profile() ? profile()->pageIn(record->window) : nullptr;
}

FakePage *FakeShell::waitForPage(const QString &window) const
{
    return QTest::qWaitFor([&] { return pageOf(window) != nullptr; }, kAttachTimeout)
        ? pageOf(window)
        : nullptr;
}
