#include "cef/scriptdialogguard.h"
#include "debugcapture.h"

#include <QtTest>

// Which script dialogs reach the player, without the engine.
class TestScriptDialogGuard : public QObject
{
    Q_OBJECT

private slots:
    void framesOfOtherOriginsShowNone();
    void dialogsInARowOfferTheWayOut();
};

namespace {

const QString kPage = QStringLiteral("https://corvela.example");
using Verdict = ScriptDialogGuard::Verdict;

} // namespace

void TestScriptDialogGuard::framesOfOtherOriginsShowNone()
{
    DebugCapture debug;
    debug.clear();
    ScriptDialogGuard guard;
    const QString ad = QStringLiteral("https://ads.example");
    QCOMPARE(guard.judge(ad, kPage, 0, true), Verdict::Cancel);
    QCOMPARE(guard.judge(ad, kPage, 10, true), Verdict::Cancel);
    QCOMPARE(guard.judge(kPage, kPage, 20, true), Verdict::Show);
    // The page's own dialog that would hold every window is refused the same way.
    QCOMPARE(guard.judge(kPage, kPage, 30, false), Verdict::Cancel);
    QCOMPARE(guard.judge(kPage, kPage, 40, false), Verdict::Cancel);
    const QString prefix = QStringLiteral("[OtherType]  [Other_Type] script dialog of ");
    QCOMPARE(debug.lines().filter(QStringLiteral("script dialog of")),
        QStringList({ prefix + ad + QStringLiteral(" in ") + kPage + QStringLiteral(" not shown"),
            prefix + kPage + QStringLiteral(" in ") + kPage + QStringLiteral(" not shown") }));
}

// Slow dialogs never offer it; the third in a row does, and once taken the
// page's dialogs stay away until its next document.
void TestScriptDialogGuard::dialogsInARowOfferTheWayOut()
{
    ScriptDialogGuard guard;
    qint64 now = 0;
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(guard.judge(kPage, kPage, now, true), Verdict::Show);
        now += ScriptDialogGuard::kInARowMs + 1;
        guard.answered(now);
        now += ScriptDialogGuard::kInARowMs + 1;
    }
    QCOMPARE(guard.judge(kPage, kPage, now, true), Verdict::Show);
    guard.answered(now);
    QCOMPARE(guard.judge(kPage, kPage, now + 100, true), Verdict::Show);
    guard.answered(now + 200);
    QCOMPARE(guard.judge(kPage, kPage, now + 300, true), Verdict::ShowWithStopOffer);
    guard.answered(now + 400);
    guard.stopDialogs();
    QCOMPARE(guard.judge(kPage, kPage, now + 100000, true), Verdict::Cancel);
    guard.reset();
    QCOMPARE(guard.judge(kPage, kPage, now + 100100, true), Verdict::Show);
}

QTEST_GUILESS_MAIN(TestScriptDialogGuard)
#include "tst_scriptdialogguard.moc"
