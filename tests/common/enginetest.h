#pragma once

#include "app/policysettings.h"
#include "cef/cefbrowser.h"
#include "cef/qcefengine.h"
#include "engine/qtwebengine/qtbrowserengine.h"
#include "engine/qtwebengine/qtengineprofile.h"
#include "enginetestenvironment.h"
#include "testengine.h"
#include "xtestinput.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <QWindow>
#include <QtTest>

#include <functional>
#include <memory>

// The engine the program runs on.
inline std::unique_ptr<BrowserEngine> realEngine()
{
    return TestEngine::make();
}

// The engine's own profile behind the shell's, for tests that look at what
// the engine holds.
inline QWebEngineProfile *engineProfile(const QCefEngine &engine)
{
    return static_cast<QtEngineProfile *>(engine.engine().profile())->webProfile();
}

// The engine's view that shows the browser's page, found by its window.
inline QWebEngineView *viewOf(const CefBrowser &browser)
{
    // The page makes its native window when first asked for it.
    QWindow *window = browser.window();
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets) {
        auto *view = qobject_cast<QWebEngineView *>(widget);
        if (view && window && view->windowHandle() == window)
            return view;
    }
    return nullptr;
}

// The player's click in the middle of the browser's page, through the X server as a mouse gives
// it, repeated until answered() holds. The page's window must show on the display, uncovered.
inline bool clickPageUntil(const CefBrowser &browser, const std::function<bool()> &answered)
{
    XTestInput input;
    if (!QTest::qWaitFor([&browser] { return browser.window(); }, 60000) || !input.isOpen())
        return false;
    return input.clickUntil(input.placeOf(browser.window()->winId()).center(), answered);
}

// The test pages come from the loopback server, whose site the administrator
// of a test installation trusts. Once the application object exists.
inline void trustTestServer()
{
    PolicySettings::program().addTrustedOrigin(QStringLiteral("127.0.0.1"));
}

// main() of an engine test.
#define LUMEN_ENGINE_TEST_MAIN(TestClass)                                                          \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        EngineTestEnvironment environment;                                                         \
        QApplication app(argc, argv);                                                              \
        PolicySettings::program().addTrustedOrigin(QStringLiteral("127.0.0.1"));                   \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
