#include "window/windowregistry.h"

#include <QtTest>

class TestWindowRegistry : public QObject
{
    Q_OBJECT

private slots:
    void familyListFollowsOpeningAndClosing();
    void childOfUnknownFatherIsKept();
};

namespace {

std::unique_ptr<WindowRecord> record(const QString &name, const QString &father = QString())
{
    auto made = std::make_unique<WindowRecord>();
    made->objectName = name;
    made->fatherName = father;
    return made;
}

} // namespace

// The text pages parse: newest child first, siblings for a child, itself
// left out on request, and a closed child gone from its father's list.
void TestWindowRegistry::familyListFollowsOpeningAndClosing()
{
    WindowRegistry registry;
    registry.add(record("home"));
    registry.add(record("left", "home"));
    registry.add(record("right", "home"));

    QCOMPARE(registry.familyList("home", true), QStringLiteral("[right,left]"));
    QCOMPARE(registry.familyList("left", true), QStringLiteral("[right,left]"));
    QCOMPARE(registry.familyList("left", false), QStringLiteral("[right]"));
    QCOMPARE(registry.familyList("nobody", true), QStringLiteral("[]"));

    registry.bringToFront(*registry.find("left"));
    QCOMPARE(registry.familyList("home", true), QStringLiteral("[left,right]"));

    registry.remove("left");
    QVERIFY(!registry.find("left"));
    QCOMPARE(registry.familyList("home", true), QStringLiteral("[right]"));
    registry.remove("home");
    // A child whose father went answers with no siblings rather than stale ones.
    QCOMPARE(registry.familyList("right", true), QStringLiteral("[]"));
}

void TestWindowRegistry::childOfUnknownFatherIsKept()
{
    WindowRegistry registry;
    registry.add(record("orphan", "missing"));
    QVERIFY(registry.find("orphan"));
    QVERIFY(!registry.findAttached("orphan"));
    QCOMPARE(registry.names(), QStringList { "orphan" });
}

QTEST_GUILESS_MAIN(TestWindowRegistry)
#include "tst_windowregistry.moc"
