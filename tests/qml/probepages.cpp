#include "probepages.h"

#include "bridgetexts.h"
#include "window/qcefview.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <algorithm>

namespace {

// Pages load and answer on the engine's own time.
constexpr int kTimeout = 20000;

// Reports travel as requests for the window "report", which never exists:
// whatever the dispatcher makes of them reaches nobody.
const QString kReportSender = QStringLiteral("report");
const QString kMark = QStringLiteral("mark");

const char probePage[] = R"(<!doctype html><html><body>
<script>
var own = new URLSearchParams(location.search).get('name');
function report(kind, text) { callQML('report', own + ':' + kind, text); }
function qtQueryCallback(reply) { report('qtQueryCallback', JSON.stringify(reply)); }
function qtSlots(push) { report('qtSlots', JSON.stringify(push)); }
function mark(token) { report('mark', JSON.stringify(token)); }
</script></body></html>)";

} // namespace

QByteArray ProbePages::html()
{
    return probePage;
}

ProbePages::ProbePages(QCefView *windows, QObject *parent)
    : QObject(parent)
    , m_windows(windows)
{
    connect(windows, &QCefView::sgWebMsgReceived, this, &ProbePages::onMessage);
}

void ProbePages::post(
    const QString &page, const QString &id, const QString &request, const QString &sender)
{
    using BridgeTexts::json;
    m_windows->sendToWeb(page,
        QStringLiteral("callQML(%1,%2,%3)")
            .arg(json(sender.isEmpty() ? page : sender), json(id), json(request)));
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

// A page runs the shell's scripts in the order they were sent and reports in
// order: once a mark sent now is back, everything sent before it is too.
bool ProbePages::settle(const QStringList &pages)
{
    const QString token = BridgeTexts::json(kMark + QString::number(++m_settleRound));
    for (const QString &page : pages)
        m_windows->sendToWeb(page, kMark + QLatin1Char('(') + token + QLatin1Char(')'));
    const auto marked
        = [this, token](const QString &page) { return m_marks.value(page).contains(token); };
    return QTest::qWaitFor(
        [&] { return std::all_of(pages.cbegin(), pages.cend(), marked); }, kTimeout);
}

void ProbePages::clear()
{
    m_received.clear();
    m_marks.clear();
    m_requestIds.clear();
}

void ProbePages::onMessage(const QString &text)
{
    const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
    const QString id = message.value(QStringLiteral("id")).toString();
    if (message.value(QStringLiteral("name")).toString() != kReportSender) {
        m_requestIds.append(id);
        return;
    }
    const QString page = id.section(QLatin1Char(':'), 0, 0);
    const QString kind = id.section(QLatin1Char(':'), 1);
    const QString argument = message.value(QStringLiteral("request")).toString();
    if (kind == kMark)
        m_marks[page].append(argument);
    else
        m_received[page].append(kind + QLatin1Char('(') + argument + QLatin1Char(')'));
}
