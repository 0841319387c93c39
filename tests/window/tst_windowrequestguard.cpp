#include "window/windowrequestguard.h"

#include <QtTest>

class TestWindowRequestGuard : public QObject
{
    Q_OBJECT

private slots:
    void windowsGoOnlyToWebAddresses_data();
    void windowsGoOnlyToWebAddresses();
    void openStopsAtTheWindowLimit();
};

void TestWindowRequestGuard::windowsGoOnlyToWebAddresses_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("allowed");

    QTest::newRow("https") << "https://corvela.example/lobby" << true;
    QTest::newRow("bare host loads as http") << "corvela.example/lobby" << true;
    QTest::newRow("about:blank") << "about:blank" << true;
    QTest::newRow("nothing loads nothing") << "" << true;
    QTest::newRow("capital scheme") << "JavaScript:alert(1)" << false;
    QTest::newRow("leading blank") << " javascript:alert(1)" << false;
    QTest::newRow("about, not blank") << "about:config" << false;
    QTest::newRow("file") << "file:///etc/hostname" << false;
    QTest::newRow("no host") << "http:///etc/hostname" << false;
}

// Also what a page's Open, Load and popups meet: the dispatcher tests drive
// the same checks through real pages.
void TestWindowRequestGuard::windowsGoOnlyToWebAddresses()
{
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    QCOMPARE(WindowRequestGuard::allowsNavigation(QStringLiteral("w"), url), allowed);
}

void TestWindowRequestGuard::openStopsAtTheWindowLimit()
{
    const QString url = QStringLiteral("https://corvela.example/");
    const int limit = WindowRequestGuard::maxOpenWindows;
    QCOMPARE(limit, 64);
    QVERIFY(WindowRequestGuard::allowsOpen(QStringLiteral("w"), url, limit - 1));
    QVERIFY(!WindowRequestGuard::allowsOpen(QStringLiteral("w"), url, limit));
    QVERIFY(!WindowRequestGuard::allowsOpen(QStringLiteral("w"), url, limit + 10));
}

QTEST_GUILESS_MAIN(TestWindowRequestGuard)
#include "tst_windowrequestguard.moc"
