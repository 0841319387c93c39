#include "shellscene.h"

#include "engine/browserengine.h"
#include "testengine.h"
#include "window/qcefview.h"

#include <QQmlError>
#include <QTest>
#include <QtDebug>

#include <algorithm>

namespace {

// Browsers appear and close on the engine's own time.
constexpr int kEngineTimeout = 20000;

} // namespace

ShellScene::ShellScene(Shell::EngineFactory engineFactory)
    : m_shell(engineFactory ? std::move(engineFactory) : &TestEngine::make)
{
}

bool ShellScene::start()
{
    view().setFlags(Qt::Window | Qt::FramelessWindowHint);
    if (!m_shell.loadScene()) {
        qWarning() << "the scene did not load:" << view().errors();
        return false;
    }
    int argc = 0;
    if (!m_shell.startEngine(argc, nullptr)) {
        qWarning("the engine did not start");
        return false;
    }
    windows()->init(&view(), &m_shell.engine());
    view().show();
    windows()->startEngineTimer();
    return true;
}

bool ShellScene::closeWindows(const QStringList &names) const
{
    QCefView *manager = windows();
    for (const QString &name : names) {
        const auto attached = [&] {
            const WindowRecord *record = manager->findWindow(name);
            return !record || record->window;
        };
        if (!QTest::qWaitFor(attached, kEngineTimeout))
            return false;
        const WindowRecord *record = manager->findWindow(name);
        if (record && record->lostFocusHide)
            record->window->close();
        else if (record)
            manager->closeWindow(name);
    }
    return QTest::qWaitFor(
        [&] {
            return std::none_of(names.cbegin(), names.cend(),
                [manager](const QString &name) { return manager->findWindow(name); });
        },
        kEngineTimeout);
}
