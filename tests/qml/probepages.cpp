#include "probepages.h"

#include "bridgetexts.h"
#include "fakeengine.h"
#include "window/qcefview.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <algorithm>

namespace {

// The window manager answers on later turns of the event loop.
constexpr int kTimeout = 5000;

const QString kMark = QStringLiteral("mark");

} // namespace

ProbePages::ProbePages(QCefView *windows, FakeProfile *profile, QObject *parent)
    : QObject(parent)
    , m_windows(windows)
    , m_profile(profile)
{
    connect(windows, &QCefView::sgWebMsgReceived, this, &ProbePages::onMessage);
}

FakePage *ProbePages::pageOf(const QString &window) const
{
    const WindowRecord *record = m_windows->findWindow(window);
    return record ? m_profile->pageIn(record->window) : nullptr;
}

void ProbePages::post(
    const QString &page, const QString &id, const QString &request, const QString &sender)
{
    FakePage *probe = pageOf(page);
    if (!probe) {
        qWarning() << "no page in window" << page << "to send" << request;
        return;
    }
    probe->callBridge(sender.isEmpty() ? page : sender, id, request);
}

// The scene hears the message first: once it is here, the dispatcher has run.
bool ProbePages::send(
    const QString &page, const QString &id, const QString &request, const QString &sender)
{
    const int before = m_requestIds.count(id);
    post(page, id, request, sender);
    return QTest::qWaitFor(
        [this, id, before] { return m_requestIds.count(id) > before; }, kTimeout);
}

// A page runs the shell's scripts in the order they were sent: once a mark
// sent now has run, everything sent before it has too.
bool ProbePages::settle(const QStringList &pages)
{
    const QString mark = kMark + QLatin1Char('(')
        + BridgeTexts::json(kMark + QString::number(++m_settleRound)) + QLatin1Char(')');
    for (const QString &page : pages)
        m_windows->sendToWeb(page, mark);
    const auto marked = [this, mark](const QString &page) {
        const FakePage *probe = pageOf(page);
        return probe && probe->scripts().contains(mark);
    };
    return QTest::qWaitFor(
        [&] { return std::all_of(pages.cbegin(), pages.cend(), marked); }, kTimeout);
}

QStringList ProbePages::received(const QString &page) const
{
    const FakePage *probe = pageOf(page);
    QStringList scripts;
    for (const QString &script : probe ? probe->scripts() : QStringList()) {
        if (script.startsWith(QLatin1String("qtQueryCallback("))
            || script.startsWith(QLatin1String("qtSlots(")))
            scripts.append(script);
    }
    return scripts;
}

void ProbePages::clear()
{
    for (FakePage *page : m_profile->pages())
        page->clearScripts();
    m_requestIds.clear();
}

void ProbePages::onMessage(const QString &text)
{
    m_requestIds.append(
        QJsonDocument::fromJson(text.toUtf8()).object().value(QStringLiteral("id")).toString());
}
