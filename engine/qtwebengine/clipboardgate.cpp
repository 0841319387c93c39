#include "engine/qtwebengine/clipboardgate.h"

#include "engine/gesturereport.h"

#include <QWebEnginePage>
#include <QWebEngineSettings>

ClipboardGate::ClipboardGate(QObject *parent)
    : QObject(parent)
{
    m_closing.setSingleShot(true);
    m_closing.setInterval(GestureReport::kSpanMs);
    connect(&m_closing, &QTimer::timeout, this, [this] { setOpen(false); });
}

void ClipboardGate::setPage(QWebEnginePage *page)
{
    m_page = page;
    page->settings()->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, m_open);
}

void ClipboardGate::setAllowed(bool allowed)
{
    m_allowed = allowed;
    if (!allowed)
        setOpen(false);
}

void ClipboardGate::onPlayerInput()
{
    if (!m_allowed)
        return;
    setOpen(true);
    m_closing.start();
}

void ClipboardGate::setOpen(bool open)
{
    if (open == m_open)
        return;
    m_open = open;
    if (m_page)
        m_page->settings()->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, open);
}
