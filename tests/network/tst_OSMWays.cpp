#include "network/OSMWays.h"
#include "tests/support/StderrCapture.h"

#include <QtTest>

// The id counter is shared by the whole process, so the cases run in order in one
// fresh process and each continues where the previous one stopped.
class tst_OSMWays : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void threeWaysFromOne();
    void laterCallContinues();
    void emptyCollection();
    void findFollowsNewIds();
};

namespace {
void fill(OSMWays& ways, std::initializer_list<qint64> ids)
{
    for (qint64 id : ids) {
        auto* way = new Way;
        way->setId(id);
        ways.add(way);
    }
}
} // namespace

void tst_OSMWays::threeWaysFromOne()
{
    OSMWays ways;
    fill(ways, {900, 800, 700});
    StderrCapture err;
    ways.simplifyIds();
    QCOMPARE(err.lines(), QStringList({"OSMWays: Simplifying way IDs...", "OSMWays:     New way IDs range: 1 - 3"}));
    QCOMPARE(ways.ways()[0]->getId(), qint64(1));
    QCOMPARE(ways.ways()[2]->getId(), qint64(3));
}

void tst_OSMWays::laterCallContinues()
{
    OSMWays other;
    fill(other, {5, 6});
    StderrCapture err;
    other.simplifyIds();
    QCOMPARE(err.lines().value(1), QString("OSMWays:     New way IDs range: 4 - 5"));
}

void tst_OSMWays::emptyCollection()
{
    OSMWays empty;
    StderrCapture err;
    empty.simplifyIds();
    QCOMPARE(err.lines().value(1), QString("OSMWays:     New way IDs range: 6 - 5"));
}

void tst_OSMWays::findFollowsNewIds()
{
    OSMWays ways;
    fill(ways, {100, 200});
    Way* second = ways.ways()[1].get();
    QCOMPARE(ways.find(200), second);
    StderrCapture err;
    ways.simplifyIds();
    QCOMPARE(ways.find(7), second);
    QVERIFY(!ways.find(200));
}

QTEST_GUILESS_MAIN(tst_OSMWays)
#include "tst_OSMWays.moc"
