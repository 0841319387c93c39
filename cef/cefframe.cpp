#include "cef/cefframe.h"

#include "cef/cefbrowser.h"

QString CefFrame::url() const
{
    return m_browser->url();
}

void CefFrame::loadUrl(const QString &url)
{
    m_browser->loadUrl(url);
}

void CefFrame::loadString(const QString &html)
{
    m_browser->loadHtml(html);
}

void CefFrame::executeJavaScript(const QString &code)
{
    m_browser->runJavaScript(code);
}

void CefFrame::sendProcessMessage(CefProcessId target, const CefProcessMessage &message)
{
    m_browser->deliverProcessMessage(target, message);
}
