#include "tools/downloadname.h"

#include <QtTest>

// The names downloads land under: visible, right inside the folder, and short
// enough for the file system (the engine tests land them for real).
class TestDownloadName : public QObject
{
    Q_OBJECT

private slots:
    void visible_data();
    void visible();
    void fitted_data();
    void fitted();
};

void TestDownloadName::visible_data()
{
    QTest::addColumn<QString>("suggested");
    QTest::addColumn<QString>("name");
    QTest::newRow("ordinary") << "setup.v2.exe"
                              << "setup.v2.exe";
    QTest::newRow("hidden") << ".hidden"
                            << "hidden";
    QTest::newRow("hidden in a path") << "../../.bashrc"
                                      << "bashrc";
    QTest::newRow("only an extension") << ".tar.gz"
                                       << "tar.gz";
    QTest::newRow("dots only") << "..."
                               << "download";
    QTest::newRow("empty") << ""
                           << "download";
    QTest::newRow("ends in a separator") << "a\\"
                                         << "download";
}

void TestDownloadName::visible()
{
    QFETCH(QString, suggested);
    QFETCH(QString, name);
    QCOMPARE(DownloadName::visible(suggested), name);
}

void TestDownloadName::fitted_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("fitted");
    const QString a300(300, QLatin1Char('a'));
    QTest::newRow("short") << "setup.exe"
                           << ""
                           << "setup.exe";
    QTest::newRow("long with extension") << a300 + ".zip" << "" << QString(245, 'a') + ".zip";
    QTest::newRow("long, tagged") << a300 + ".zip" << " (12)" << QString(240, 'a') + " (12).zip";
    QTest::newRow("long, double extension")
        << a300 + ".tar.gz" << "" << QString(242, 'a') + ".tar.gz";
    QTest::newRow("only a long extension") << "a." + a300 << "" << ("a." + a300).left(249);
    QTest::newRow("two-byte characters")
        << QString(200, QChar(0xe9)) + ".txt" << "" << QString(122, QChar(0xe9)) + ".txt";
    QTest::newRow("three-byte characters")
        << QString(100, QChar(0x6f22)) + ".pdf" << "" << QString(81, QChar(0x6f22)) + ".pdf";
    const QString emoji = QString::fromUtf8("\xf0\x9f\x98\x80");
    QTest::newRow("four-byte characters")
        << emoji.repeated(70) + ".png" << "" << emoji.repeated(61) + ".png";
    const QString accented = QStringLiteral("e\u0301");
    QTest::newRow("accents stay on their letters")
        << accented.repeated(100) + ".txt" << "" << accented.repeated(81) + ".txt";
}

void TestDownloadName::fitted()
{
    QFETCH(QString, name);
    QFETCH(QString, tag);
    QFETCH(QString, fitted);
    QCOMPARE(DownloadName::fitted(name, tag, 249), fitted);
}

QTEST_GUILESS_MAIN(TestDownloadName)
#include "tst_downloadname.moc"
