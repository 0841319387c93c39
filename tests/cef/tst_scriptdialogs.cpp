#include "cef/cefbrowser.h"
#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "engine/qtwebengine/scriptdialog.h"
#include "enginetest.h"
#include "testhttpserver.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The frame of another site tells the page once it has had its alert answered.
const char dialogPage[] = R"html(<!doctype html><html><body>
<iframe id="ad" src="AD"></iframe>
<input id="file" type="file" multiple accept=".txt,image/png"
       style="position:fixed;left:0;top:0;width:100%;height:100%">
<script>
// The player's clicks while the chooser is up open no other.
document.getElementById('file').addEventListener('click', function (event) {
    event.target.style.pointerEvents = 'none';
});
['change', 'cancel'].forEach(function (name) {
    document.getElementById('file').addEventListener(name, function (event) {
        event.target.style.pointerEvents = '';
    });
});
document.getElementById('file').addEventListener('change', function (event) {
    var names = Array.prototype.map.call(event.target.files, function (file) { return file.name; });
    callQML('answer', 'files', names.join(','));
});
document.getElementById('file').addEventListener('cancel', function () {
    callQML('answer', 'files', 'cancelled');
});
window.addEventListener('message', function (event) { callQML('answer', 'frame', event.data); });
window.addEventListener('load', function () { callQML('ready', '', ''); });
</script></body></html>)html";

// Keeps a state of its own that a reload would lose.
const char otherPage[] = R"html(<!doctype html><html><body><script>
window.state = 'kept';
window.addEventListener('load', function () { callQML('ready', '', ''); });
</script></body></html>)html";

// Asks before it goes, once the player has played.
const char leavePage[] = R"html(<!doctype html><html><body style="height:100vh"><script>
window.addEventListener('beforeunload', function (event) { event.preventDefault(); event.returnValue = ''; });
document.addEventListener('click', function () { callQML('played', '', ''); });
window.addEventListener('load', function () { callQML('ready', '', ''); });
</script></body></html>)html";

const char adFrame[] = R"html(<!doctype html><html><body><script>
window.addEventListener('message', function () { alert('You won!'); parent.postMessage('answered', '*'); });
</script></body></html>)html";

// The system's Chromium draws a page's script dialogs itself, inside the page's window, where the
// shell's widgets cannot be looked into; the page test answers them with the player's click.
const char kDrawnByChromium[] = "Chromium draws the page's script dialogs itself, not the shell's "
                                "dialog that this case reads and answers";

} // namespace

// The pages' script dialogs, drawn by the shell over the page and answered
// with the keyboard, as the player would.
class TestScriptDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fileInputGetsTheChosenFiles();
    void playerAnswersWithTheKeyboard_data();
    void playerAnswersWithTheKeyboard();
    void frameOfAnotherSiteShowsNone();
    void questionLeftOpenHoldsUpNoOtherWindow();
    void hiddenWindowAsksOnceShown();
    void leavingIsAskedWithoutHoldingUp();

private:
    QString answerOf(const QString &script);
    CefRefPtr<QCefClient> openWindow(const QString &name, bool visible, const QString &url);
    static qint64 roundTrip(QCefClient &client);
    // Presses keys in the dialog once it shows: the page waits for the answer
    // inside the engine's call, so the answer has to come from the event loop.
    void answerWhenShown(const QString &typed, Qt::Key key);
    // The shell's file chooser once it shows, whichever window holds it.
    static QFileDialog *shownFileDialog();

    QCefEngine m_engine { realEngine() };
    TestHttpServer m_server;
    CefRefPtr<QCefClient> m_client;
    // Whether the last answer came from a dialog the player saw.
    bool m_dialogSeen = false;
};

void TestScriptDialogs::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setPage(QStringLiteral("/page.html"),
        QByteArray(dialogPage)
            .replace("AD",
                m_server.url(QStringLiteral("ad.localhost"), QStringLiteral("/ad.html")).toUtf8()));
    m_server.setPage(QStringLiteral("/ad.html"), adFrame);
    m_server.setPage(QStringLiteral("/other.html"), otherPage);
    m_server.setPage(QStringLiteral("/leave.html"), leavePage);
    int argc = 0;
    QCOMPARE(m_engine.initialize(argc, nullptr), -1);
    m_client = m_engine.app()->createBrowser(
        QStringLiteral("app"), true, m_server.url(QStringLiteral("/page.html")), 500, 400);
    QSignalSpy messages(m_client.data(), &QCefClient::sgWebMsgReceived);
    QVERIFY(messages.wait(20000));
}

QString TestScriptDialogs::answerOf(const QString &script)
{
    QSignalSpy messages(m_client.data(), &QCefClient::sgWebMsgReceived);
    m_client->getBrowser()->executeJavaScript(script);
    if (!messages.wait(20000))
        return QStringLiteral("(no answer)");
    const QJsonObject message
        = QJsonDocument::fromJson(messages.at(0).at(0).toString().toUtf8()).object();
    return message.value(QStringLiteral("request")).toString();
}

void TestScriptDialogs::answerWhenShown(const QString &typed, Qt::Key key)
{
    auto *poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll, typed, key] {
        auto *dialog = viewOf(*m_client->getBrowser())->findChild<ScriptDialog *>();
        if (!dialog || !dialog->isVisible())
            return;
        poll->deleteLater();
        m_dialogSeen = true;
        // The dialog's own focus: the test's window need not be the active one.
        QWidget *focused = dialog->focusWidget();
        QTest::keyClicks(focused, typed);
        QTest::keyClick(focused, key);
    });
    poll->start(50);
}

QFileDialog *TestScriptDialogs::shownFileDialog()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        auto *dialog = qobject_cast<QFileDialog *>(window);
        if (dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

void TestScriptDialogs::playerAnswersWithTheKeyboard_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("answer");
    QTest::newRow("confirm, Enter")
        << "confirm('Buy for 100 gems?')" << QString() << int(Qt::Key_Return) << "true";
    QTest::newRow("confirm, Escape")
        << "confirm('Leave the match?')" << QString() << int(Qt::Key_Escape) << "false";
    QTest::newRow("prompt, typed over the default") << "prompt('Your name?', 'player')"
                                                    << "Ana" << int(Qt::Key_Return) << "Ana";
    QTest::newRow("prompt, Escape") << "prompt('Your name?', 'player')"
                                    << "Ana" << int(Qt::Key_Escape) << "null";
    QTest::newRow("alert") << "alert('Saved') || 'closed'" << QString() << int(Qt::Key_Enter)
                           << "closed";
}

void TestScriptDialogs::playerAnswersWithTheKeyboard()
{
    LUMEN_SKIP_ON_SYSTEM_CHROMIUM(kDrawnByChromium);
    QFETCH(QString, call);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(QString, answer);
    m_dialogSeen = false;
    answerWhenShown(typed, Qt::Key(key));
    QCOMPARE(answerOf(QStringLiteral("callQML('answer', '', String(%1))").arg(call)), answer);
    QVERIFY(m_dialogSeen);
    QVERIFY(!viewOf(*m_client->getBrowser())->findChild<ScriptDialog *>());
}

// As in browsers: answered at once as cancelled, and logged.
void TestScriptDialogs::frameOfAnotherSiteShowsNone()
{
    DebugCapture debug;
    debug.clear();
    QCOMPARE(answerOf(QStringLiteral(
                 "document.getElementById('ad').contentWindow.postMessage('play', '*')")),
        QStringLiteral("answered"));
    // The frame's alert held it until answered: its answer, with no player there, is the one given
    // at once. Qt WebEngine's dialogs are the shell's own, which the test sees too.
    if (!TestEngine::isSystemChromium())
        QVERIFY(!viewOf(*m_client->getBrowser())->findChild<ScriptDialog *>());
    QCOMPARE(debug.lines().filter(QStringLiteral("script dialog of")).size(), 1);
}

CefRefPtr<QCefClient> TestScriptDialogs::openWindow(
    const QString &name, bool visible, const QString &url)
{
    CefRefPtr<QCefClient> client = m_engine.app()->createBrowser(name, visible, url, 300, 200);
    QSignalSpy ready(client.data(), &QCefClient::sgWebMsgReceived);
    return ready.wait(20000) ? client : CefRefPtr<QCefClient>();
}

// Shell to page and back through the bridge; -1 without an answer.
qint64 TestScriptDialogs::roundTrip(QCefClient &client)
{
    QSignalSpy messages(&client, &QCefClient::sgWebMsgReceived);
    QElapsedTimer clock;
    clock.start();
    client.getBrowser()->executeJavaScript(QStringLiteral("callQML('pong', '', '')"));
    return messages.wait(5000) ? clock.elapsed() : -1;
}

// A confirm left on screen for 40 s: a window of the same site and one of
// another site keep answering their bridges, no renderer is taken for hung,
// and the player's answer, when it comes, reaches the page as it was.
void TestScriptDialogs::questionLeftOpenHoldsUpNoOtherWindow()
{
    LUMEN_SKIP_ON_SYSTEM_CHROMIUM(kDrawnByChromium);
    PolicySettings::program().addTrustedOrigin(QStringLiteral("other.localhost"));
    const QList<CefRefPtr<QCefClient>> others = {
        openWindow(QStringLiteral("same"), true, m_server.url(QStringLiteral("/other.html"))),
        openWindow(QStringLiteral("other"), true,
            m_server.url(QStringLiteral("other.localhost"), QStringLiteral("/other.html"))),
    };
    QVERIFY(others.at(0) && others.at(1));
    QList<QSignalSpy *> hung;
    for (const CefRefPtr<QCefClient> &client : { m_client, others.at(0), others.at(1) })
        hung.append(new QSignalSpy(client.data(), &QCefClient::sgRenderProcessUnresponsive));
    QSignalSpy answers(m_client.data(), &QCefClient::sgWebMsgReceived);
    m_client->getBrowser()->executeJavaScript(QStringLiteral(
        "window.state = 'kept'; callQML('answer', '', confirm('Keep playing?') + ' ' + state)"));
    QWidget *view = viewOf(*m_client->getBrowser());
    QTRY_VERIFY_WITH_TIMEOUT(view->findChild<ScriptDialog *>(), 20000);

    QVector<qint64> latencies;
    QElapsedTimer open;
    open.start();
    for (int turn = 0; open.elapsed() < 40000; ++turn) {
        latencies.append(roundTrip(*others.at(turn % 2)));
        QTest::qWait(200);
    }
    std::sort(latencies.begin(), latencies.end());
    qInfo("other windows' bridge round trips during 40 s: %lld, median %lld ms, worst %lld ms",
        qint64(latencies.size()), latencies.at(latencies.size() / 2), latencies.constLast());
    QVERIFY(!latencies.contains(-1));
    QVERIFY(latencies.constLast() < 1000);
    QVERIFY(answers.isEmpty());

    QTest::keyClick(view->findChild<ScriptDialog *>()->focusWidget(), Qt::Key_Return);
    QVERIFY(answers.wait(5000));
    QVERIFY(answers.constLast().at(0).toString().contains(QStringLiteral("\"true kept\"")));
    for (QSignalSpy *spy : std::as_const(hung))
        QCOMPARE(spy->count(), 0);
    qDeleteAll(hung);
}

// A window out of sight asks without holding up anything, and shows its
// question when it comes on screen, whole in its small window: a long message
// scrolls.
void TestScriptDialogs::hiddenWindowAsksOnceShown()
{
    LUMEN_SKIP_ON_SYSTEM_CHROMIUM(kDrawnByChromium);
    CefRefPtr<QCefClient> hidden
        = openWindow(QStringLiteral("hidden"), false, m_server.url(QStringLiteral("/other.html")));
    QVERIFY(hidden);
    QSignalSpy answers(hidden.data(), &QCefClient::sgWebMsgReceived);
    hidden->getBrowser()->executeJavaScript(
        QStringLiteral("alert('Daily reward! '.repeat(300)); callQML('answer', '', state)"));
    QWidget *view = viewOf(*hidden->getBrowser());
    QTRY_VERIFY_WITH_TIMEOUT(view->findChild<ScriptDialog *>(), 20000);
    QVERIFY(!view->findChild<ScriptDialog *>()->isVisible());
    QVERIFY(roundTrip(*m_client) >= 0);
    QVERIFY(answers.isEmpty());

    view->show();
    auto *dialog = view->findChild<ScriptDialog *>();
    QTRY_VERIFY(dialog->isVisible());
    const QRect box = dialog->findChild<QWidget *>(QStringLiteral("box"))->geometry();
    QVERIFY2(view->rect().contains(box),
        qPrintable(QStringLiteral("box %1,%2 %3x%4")
                .arg(box.x())
                .arg(box.y())
                .arg(box.width())
                .arg(box.height())));
    QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    QVERIFY(answers.wait(5000));
    QVERIFY(answers.constLast().at(0).toString().contains(QStringLiteral("\"kept\"")));
}

// The shell loads another page into a window whose page asks before it goes:
// the page stays while the question is up, and the other windows go on; Stay
// keeps it, Leave lets the shell's load through.
void TestScriptDialogs::leavingIsAskedWithoutHoldingUp()
{
    LUMEN_SKIP_ON_SYSTEM_CHROMIUM(kDrawnByChromium);
    CefRefPtr<QCefClient> game
        = openWindow(QStringLiteral("game"), true, m_server.url(QStringLiteral("/leave.html")));
    QVERIFY(game);
    QSignalSpy messages(game.data(), &QCefClient::sgWebMsgReceived);
    QVERIFY(clickPageUntil(*game->getBrowser(), [&] { return !messages.isEmpty(); }));
    QWidget *view = viewOf(*game->getBrowser());
    const QString here = game->getBrowser()->url();
    const QString lobby = m_server.url(QStringLiteral("/other.html"));
    const auto answerLeaving = [&](Qt::Key key) {
        game->getBrowser()->loadUrl(lobby);
        QTRY_VERIFY_WITH_TIMEOUT(view->findChild<ScriptDialog *>(), 20000);
        QVERIFY(roundTrip(*m_client) >= 0);
        QTest::keyClick(view->findChild<ScriptDialog *>()->focusWidget(), key);
        QTRY_VERIFY(!view->findChild<ScriptDialog *>());
    };
    answerLeaving(Qt::Key_Escape);
    QTest::qWait(1000);
    QCOMPARE(game->getBrowser()->url(), here);
    messages.clear();
    answerLeaving(Qt::Key_Return);
    QVERIFY(messages.wait(20000));
    QCOMPARE(game->getBrowser()->url(), lobby);
}

// A click on the page's file input: the dialog starts in the player's home and
// offers what the input accepts. The player cancels, and the input hears it;
// then the page gets what the player chose.
void TestScriptDialogs::fileInputGetsTheChosenFiles()
{
    const QStringList names { QStringLiteral("avatar.txt"), QStringLiteral("frame.png") };
    for (const QString &name : names) {
        QFile file(QDir::home().filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QStringList filters;
    QString folder;
    QDialogButtonBox::StandardButton answer = QDialogButtonBox::Cancel;
    // The player clicks until the dialog shows: a click more would open another.
    bool seen = false;
    // The dialog fills its list in the background: the player's choice is
    // made again until the dialog takes it.
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        QFileDialog *dialog = shownFileDialog();
        if (!dialog)
            return;
        seen = true;
        folder = dialog->directory().path();
        filters = dialog->nameFilters();
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("\"avatar.txt\" \"frame.png\""));
        dialog->findChild<QDialogButtonBox *>()->button(answer)->click();
    });
    poll.start(200);
    QSignalSpy messages(m_client.data(), &QCefClient::sgWebMsgReceived);

    QVERIFY(clickPageUntil(*m_client->getBrowser(), [&seen] { return seen; }));
    QTRY_VERIFY_WITH_TIMEOUT(!messages.isEmpty(), 10000);
    QVERIFY2(messages.at(0).at(0).toString().contains(QStringLiteral("\"cancelled\"")),
        qPrintable(messages.at(0).at(0).toString()));

    answer = QDialogButtonBox::Open;
    messages.clear();
    seen = false;
    QVERIFY(clickPageUntil(*m_client->getBrowser(), [&seen] { return seen; }));
    QTRY_VERIFY_WITH_TIMEOUT(!messages.isEmpty(), 10000);
    const QJsonObject message
        = QJsonDocument::fromJson(messages.at(0).at(0).toString().toUtf8()).object();
    QCOMPARE(message.value(QStringLiteral("request")).toString(), names.join(QLatin1Char(',')));
    QCOMPARE(folder, QDir::homePath());
    QVERIFY2(filters.value(0).contains(QStringLiteral("*.txt"))
            && filters.value(0).contains(QStringLiteral("*.png")),
        qPrintable(filters.join(QLatin1Char('|'))));
}

LUMEN_ENGINE_TEST_MAIN(TestScriptDialogs)
#include "tst_scriptdialogs.moc"
