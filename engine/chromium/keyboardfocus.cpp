#include "engine/chromium/keyboardfocus.h"

#include "engine/chromium/windowfocus.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

namespace {

constexpr int kAfterActivationMs = 50;

const QWindow *topLevelOf(const QWindow *window)
{
    while (window && window->parent())
        window = window->parent();
    return window;
}

} // namespace

KeyboardFocus::KeyboardFocus(QObject *parent)
    : QObject(parent)
{
    connect(
        qGuiApp, &QGuiApplication::focusWindowChanged, this, &KeyboardFocus::onFocusWindowChanged);
}

void KeyboardFocus::setWindow(QWindow *page)
{
    m_page = page;
    onFocusWindowChanged(QGuiApplication::focusWindow());
}

// Qt counts its window inactive once the page holds the focus: a click gives it back whatever Qt
// says.
void KeyboardFocus::onClicked()
{
    if (m_page && m_page->parent())
        giveAfterActivation();
}

void KeyboardFocus::onFocusWindowChanged(QWindow *focus)
{
    if (m_page && holdsPage(focus))
        giveAfterActivation();
}

// Qt gives the desktop's focus to its own window as the window manager offers it
// (WM_TAKE_FOCUS), which comes with the window's activation: the page takes it after that.
void KeyboardFocus::giveAfterActivation()
{
    QTimer::singleShot(kAfterActivationMs, this, [this] {
        if (m_page)
            WindowFocus::give(m_page->winId());
    });
}

// The page's window put into one of ours: a top-level one of its own the desktop focuses.
bool KeyboardFocus::holdsPage(const QWindow *window) const
{
    return window && m_page->parent() && topLevelOf(window) == topLevelOf(m_page);
}
