#include "app/directorytree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestDirectoryTree : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void removesNestedTreeWithHiddenFilesAndRoot_data();
    void removesNestedTreeWithHiddenFilesAndRoot();
    void removesLinksInsideTreeWithoutFollowingThem();
    void removesLinkedRootAsLink();
    void removesDanglingLinks();
    void reportsMissingRootAndRefusesEmptyPath();

private:
    QString makeTree(const QString &name);
    QString makeOutsideFolder();
    static void writeFile(const QString &path);

    QScopedPointer<QTemporaryDir> m_temp;
};

void TestDirectoryTree::init()
{
    m_temp.reset(new QTemporaryDir);
    QVERIFY(m_temp->isValid());
}

void TestDirectoryTree::cleanup()
{
    m_temp.reset();
}

void TestDirectoryTree::writeFile(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("content");
}

QString TestDirectoryTree::makeTree(const QString &name)
{
    const QString root = m_temp->filePath(name);
    QDir().mkpath(root + "/a/b/c");
    QDir().mkpath(root + "/.hiddenfolder/inner");
    QDir().mkpath(root + "/emptyfolder");
    writeFile(root + "/top.txt");
    writeFile(root + "/.hidden");
    writeFile(root + "/a/one.bin");
    writeFile(root + "/a/b/.secret");
    writeFile(root + "/a/b/c/deep.txt");
    writeFile(root + "/.hiddenfolder/inner/x");
    return root;
}

QString TestDirectoryTree::makeOutsideFolder()
{
    const QString outside = m_temp->filePath("outside");
    QDir().mkpath(outside + "/keep");
    writeFile(outside + "/precious.txt");
    writeFile(outside + "/keep/also.txt");
    return outside;
}

void TestDirectoryTree::removesNestedTreeWithHiddenFilesAndRoot_data()
{
    QTest::addColumn<bool>("backslashes");
    QTest::addColumn<bool>("trailingSeparator");
    QTest::newRow("slashes, trailing separator") << false << true;
    QTest::newRow("slashes, no trailing separator") << false << false;
    QTest::newRow("backslashes, no trailing separator") << true << false;
    QTest::newRow("backslashes, trailing separator") << true << true;
}

void TestDirectoryTree::removesNestedTreeWithHiddenFilesAndRoot()
{
    QFETCH(bool, backslashes);
    QFETCH(bool, trailingSeparator);
    const QString root = makeTree("Cache");
    writeFile(m_temp->filePath("sibling.txt"));

    QString argument = root + (trailingSeparator ? "/" : "");
    if (backslashes)
        argument.replace('/', '\\');

    QVERIFY(removeDirectoryTree(argument));
    QVERIFY(!QFileInfo::exists(root));
    QVERIFY(QFileInfo::exists(m_temp->filePath("sibling.txt")));
}

void TestDirectoryTree::removesLinksInsideTreeWithoutFollowingThem()
{
    const QString root = makeTree("tree");
    const QString outside = makeOutsideFolder();
    QVERIFY(QFile::link(outside, root + "/a/linkToFolder"));
    QVERIFY(QFile::link(outside + "/precious.txt", root + "/linkToFile"));

    QVERIFY(removeDirectoryTree(root));

    QVERIFY(!QFileInfo::exists(root));
    QVERIFY(QFileInfo::exists(outside + "/precious.txt"));
    QVERIFY(QFileInfo::exists(outside + "/keep/also.txt"));
}

void TestDirectoryTree::removesLinkedRootAsLink()
{
    const QString outside = makeOutsideFolder();
    const QString root = m_temp->filePath("linkedRoot");
    QVERIFY(QFile::link(outside, root));

    QVERIFY(removeDirectoryTree(root + "/"));

    QVERIFY(!QFileInfo(root).isSymLink());
    QVERIFY(!QFileInfo::exists(root));
    QVERIFY(QFileInfo::exists(outside + "/precious.txt"));
    QVERIFY(QFileInfo::exists(outside + "/keep/also.txt"));
}

void TestDirectoryTree::removesDanglingLinks()
{
    const QString root = makeTree("tree");
    QVERIFY(QFile::link(m_temp->filePath("nowhere"), root + "/a/b/dangling"));

    QVERIFY(removeDirectoryTree(root));
    QVERIFY(!QFileInfo::exists(root));
}

void TestDirectoryTree::reportsMissingRootAndRefusesEmptyPath()
{
    // A folder that is already gone leaves nothing to fail.
    QVERIFY(removeDirectoryTree(m_temp->filePath("missing")));
    QVERIFY(!removeDirectoryTree(QString()));
    QVERIFY(QFileInfo::exists(m_temp->path()));
}

QTEST_GUILESS_MAIN(TestDirectoryTree)
#include "tst_directorytree.moc"
