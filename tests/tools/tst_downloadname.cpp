#include "tools/downloadlanding.h"
#include "tools/downloadname.h"

#include <QtTest>

namespace {

bool created(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

// The names downloads land under: visible, right inside the folder, and taken
// by the file system together with their temporary names.
class TestDownloadName : public QObject
{
    Q_OBJECT

private slots:
    void visible_data();
    void visible();
    void fitted_data();
    void fitted();
    void freePathFitsTheTemporaryName_data();
    void freePathFitsTheTemporaryName();
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
    QTest::newRow("long with extension") << a300 + ".zip"
                                         << "" << QString(245, 'a') + ".zip";
    QTest::newRow("long, tagged") << a300 + ".zip"
                                  << " (12)" << QString(240, 'a') + " (12).zip";
    QTest::newRow("long, double extension") << a300 + ".tar.gz"
                                            << "" << QString(242, 'a') + ".tar.gz";
    QTest::newRow("only a long extension") << "a." + a300 << "" << ("a." + a300).left(249);
    QTest::newRow("two-byte characters") << QString(200, QChar(0xe9)) + ".txt"
                                         << "" << QString(122, QChar(0xe9)) + ".txt";
    QTest::newRow("three-byte characters") << QString(100, QChar(0x6f22)) + ".pdf"
                                           << "" << QString(81, QChar(0x6f22)) + ".pdf";
    const QString emoji = QString::fromUtf8("\xf0\x9f\x98\x80");
    QTest::newRow("four-byte characters") << emoji.repeated(70) + ".png"
                                          << "" << emoji.repeated(61) + ".png";
    const QString accented = QStringLiteral("e\u0301");
    QTest::newRow("accents stay on their letters") << accented.repeated(100) + ".txt"
                                                   << "" << accented.repeated(81) + ".txt";
}

void TestDownloadName::fitted()
{
    QFETCH(QString, name);
    QFETCH(QString, tag);
    QFETCH(QString, fitted);
    QCOMPARE(DownloadName::fitted(name, tag, 249), fitted);
}

void TestDownloadName::freePathFitsTheTemporaryName_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("251 characters") << QString(247, QLatin1Char('x')) + ".bin";
    QTest::newRow("300 characters") << QString(296, QLatin1Char('x')) + ".bin";
    QTest::newRow("three-byte characters") << QString(120, QChar(0x6f22)) + ".bin";
}

// The name a download lands under, and the next free one beside the player's
// file of that name, are created for real, as is the name the engine writes
// each one's temporary file under (Chromium's being the longest).
void TestDownloadName::freePathFitsTheTemporaryName()
{
    QFETCH(QString, name);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString first = DownloadLanding::freePath(folder.path(), name);
    QVERIFY(created(first));
    const QString second = DownloadLanding::freePath(folder.path(), name);
    QVERIFY(second != first);
    for (const QString &path : { first, second }) {
        QVERIFY2(path.endsWith(QStringLiteral(".bin")), qPrintable(path));
        QVERIFY(created(DownloadLanding::temporaryPath(path) + QStringLiteral(".crdownload")));
    }
}

QTEST_GUILESS_MAIN(TestDownloadName)
#include "tst_downloadname.moc"
