#include "shellscene.h"

#include "app/dirhelper.h"
#include "app/mvtconfig.h"
#include "app/tspdlog.h"
#include "tools/tools.h"
#include "window/qcefview.h"

#include <QQmlContext>
#include <QQmlError>
#include <QTest>
#include <QtDebug>

#include <algorithm>

namespace {

// Browsers appear and close on the engine's own time.
constexpr int kEngineTimeout = 20000;

} // namespace

ShellScene::ShellScene()
{
    // The scene's resources may come from this library's archive, where
    // nothing else would pull them in.
    Q_INIT_RESOURCE(qml);
    m_view.setFlags(Qt::Window | Qt::FramelessWindowHint);
}

bool ShellScene::start()
{
    publishShellObjects();
    m_view.setSource(QUrl(QStringLiteral("qrc:/main.qml")));
    if (m_view.status() != QQuickView::Ready) {
        qWarning() << "the scene did not load:" << m_view.errors();
        return false;
    }
    int argc = 0;
    if (m_engine.initialize(argc, nullptr) >= 0) {
        qWarning("the engine did not start");
        return false;
    }
    windows()->init(&m_view, &m_engine);
    m_view.show();
    windows()->startEngineTimer();
    return true;
}

QCefView *ShellScene::windows() const
{
    return QCefView::instance();
}

void ShellScene::publishShellObjects()
{
    QQmlContext *context = m_view.rootContext();
    context->setContextProperty(QStringLiteral("cppWindow"), &m_view);
    context->setContextProperty(QStringLiteral("cppTool"), Tools::instance());
    context->setContextProperty(QStringLiteral("cppLog"), TSpdlog::instance());
    context->setContextProperty(QStringLiteral("cppConfig"), MVTConfig::instance());
    context->setContextProperty(QStringLiteral("cppDir"), DirHelper::instance());
    context->setContextProperty(QStringLiteral("cppCef"), windows());
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
