#include <QDirIterator>
#include <QRegularExpression>
#include <QtTest>

namespace {

// What each folder of the program may use: only what lies beneath it. An adapter
// of the engine interface sees the interface and the desktop utilities, never the host
// above it; only the programs see an adapter.
const QMap<QString, QStringList> &allowedBelow()
{
    static const QMap<QString, QStringList> allowed {
        { QStringLiteral("app"), {} },
        { QStringLiteral("tools"), { QStringLiteral("app") } },
        { QStringLiteral("engine"), {} },
        { QStringLiteral("engine/qtwebengine"),
            { QStringLiteral("engine"), QStringLiteral("tools"), QStringLiteral("render") } },
        { QStringLiteral("engine/chromium"),
            { QStringLiteral("engine"), QStringLiteral("tools") } },
        { QStringLiteral("cef"),
            { QStringLiteral("app"), QStringLiteral("tools"), QStringLiteral("engine"),
                QStringLiteral("render") } },
        { QStringLiteral("window"),
            { QStringLiteral("app"), QStringLiteral("tools"), QStringLiteral("engine"),
                QStringLiteral("cef"), QStringLiteral("render"), QStringLiteral("qml") } },
        { QStringLiteral("shell"),
            { QStringLiteral("app"), QStringLiteral("tools"), QStringLiteral("engine"),
                QStringLiteral("cef"), QStringLiteral("window"), QStringLiteral("render"),
                QStringLiteral("qml"), QStringLiteral("engine/qtwebengine"),
                QStringLiteral("engine/chromium"), QStringLiteral("configtool") } },
        { QStringLiteral("configtool"), { QStringLiteral("app") } },
        { QStringLiteral("render"), {} },
        { QStringLiteral("qml"), {} },
    };
    return allowed;
}

QString sourceRoot()
{
    return QStringLiteral(LUMEN_SOURCE_DIR);
}

// The deepest folder the table knows that holds path (relative to the sources).
QString layerOf(const QString &path)
{
    QString best;
    for (auto it = allowedBelow().cbegin(); it != allowedBelow().cend(); ++it) {
        if (path.startsWith(it.key() + QLatin1Char('/')) && it.key().size() > best.size())
            best = it.key();
    }
    return best;
}

QStringList programFiles(const QStringList &nameFilters)
{
    QStringList files;
    for (const QString &layer : allowedBelow().keys()) {
        QDirIterator it(sourceRoot() + QLatin1Char('/') + layer, nameFilters, QDir::Files,
            QDirIterator::Subdirectories);
        while (it.hasNext())
            files.append(QDir(sourceRoot()).relativeFilePath(it.next()));
    }
    files.removeDuplicates();
    return files;
}

QString readAll(const QString &relativePath)
{
    QFile file(sourceRoot() + QLatin1Char('/') + relativePath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// "<file>: <what> <used>" for each use of a folder that does not lie beneath the file's own.
QStringList upwardUses(const QString &file, const QStringList &usedFolders, const QString &what)
{
    const QString layer = layerOf(file);
    QStringList wrong;
    for (const QString &used : usedFolders) {
        if (used != layer && !allowedBelow().value(layer).contains(used))
            wrong.append(QStringLiteral("%1: %2 %3").arg(file, what, used));
    }
    return wrong;
}

// The folder of each library the build defines, by name.
QMap<QString, QString> libraryFolders()
{
    static const QRegularExpression definition(QStringLiteral(R"(add_library\((\w+))"));
    QMap<QString, QString> folders;
    for (const QString &list : programFiles({ QStringLiteral("CMakeLists.txt") })) {
        auto matches = definition.globalMatch(readAll(list));
        while (matches.hasNext())
            folders.insert(matches.next().captured(1), layerOf(list));
    }
    return folders;
}

} // namespace

// The libraries lie in layers, and each sees only those beneath it: a change in a
// layer can break only what lies above it, and a second engine adapter fits in
// without the host knowing.
class TestLayers : public QObject
{
    Q_OBJECT

private slots:
    void includesLookOnlyDown();
    void linksLookOnlyDown();
};

void TestLayers::includesLookOnlyDown()
{
    static const QRegularExpression include(
        QStringLiteral(R"(#include "([a-z_]+(?:/qtwebengine|/chromium)?)/)"));
    const QStringList files = programFiles({ QStringLiteral("*.h"), QStringLiteral("*.cpp") });
    QVERIFY(files.size() > 100);
    QStringList wrong;
    for (const QString &file : files) {
        QStringList used;
        auto matches = include.globalMatch(readAll(file));
        while (matches.hasNext())
            used.append(matches.next().captured(1));
        wrong += upwardUses(file, used, QStringLiteral("includes"));
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
}

void TestLayers::linksLookOnlyDown()
{
    static const QRegularExpression links(
        QStringLiteral(R"(target_link_libraries\((\w+)([^)]*)\))"));
    const QMap<QString, QString> folders = libraryFolders();
    QVERIFY(folders.contains(QStringLiteral("lumencef")));
    QCOMPARE(folders.value(QStringLiteral("lumenchromium")), QStringLiteral("engine/chromium"));
    QStringList wrong;
    for (const QString &list : programFiles({ QStringLiteral("CMakeLists.txt") })) {
        auto matches = links.globalMatch(readAll(list));
        while (matches.hasNext()) {
            const QRegularExpressionMatch link = matches.next();
            if (!folders.contains(link.captured(1)))
                continue;
            QStringList used;
            for (const QString &name :
                link.captured(2).split(QRegularExpression(QStringLiteral("\\s+"))))
                if (folders.contains(name))
                    used.append(folders.value(name));
            wrong += upwardUses(list, used, QStringLiteral("links"));
        }
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestLayers)
#include "tst_layers.moc"
