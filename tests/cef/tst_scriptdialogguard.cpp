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
    QCOMPARE(guard.judge(ad, kPage, 0), Verdict::Cancel);
    QCOMPARE(guard.judge(ad, kPage, 10), Verdict::Cancel);
    QCOMPARE(guard.judge(kPage, kPage, 20), Verdict::Show);
    QCOMPARE(debug.lines().filter(QStringLiteral("script dialog of")),
        QStringList { QStringLiteral("[OtherType]  [Other_Type] script dialog of ") + ad
            + QStringLiteral(" in ") + kPage + QStringLiteral(" not shown") });
}

// Slow dialogs never offer it; the third in a row does, and once taken the
// page's dialogs stay away until its next document.
void TestScriptDialogGuard::dialogsInARowOfferTheWayOut()
{
    ScriptDialogGuard guard;
    qint64 now = 0;
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(guard.judge(kPage, kPage, now), Verdict::Show);
        now += ScriptDialogGuard::kInARowMs + 1;
        guard.answered(now);
        now += ScriptDialogGuard::kInARowMs + 1;
    }
    QCOMPARE(guard.judge(kPage, kPage, now), Verdict::Show);
    guard.answered(now);
    QCOMPARE(guard.judge(kPage, kPage, now + 100), Verdict::Show);
    guard.answered(now + 200);
    QCOMPARE(guard.judge(kPage, kPage, now + 300), Verdict::ShowWithStopOffer);
    guard.answered(now + 400);
    guard.stopDialogs();
    QCOMPARE(guard.judge(kPage, kPage, now + 100000), Verdict::Cancel);
    guard.reset();
    QCOMPARE(guard.judge(kPage, kPage, now + 100100), Verdict::Show);
}

QTEST_GUILESS_MAIN(TestScriptDialogGuard)
#include "tst_scriptdialogguard.moc"
