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
    void findGivesFirstOfId_data();
    void findGivesFirstOfId();
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

// Ids rising, as a sorted file gives them, are looked up without an index until one comes out of
// order; either way find() names the first way of an id in list order.
void tst_OSMWays::findGivesFirstOfId_data()
{
    QTest::addColumn<QList<qint64>>("ids");
    QList<qint64> rising;
    for (qint64 id = 3; id < 3 * 100; id += 3)
        rising << id;
    QTest::newRow("rising over many samples") << rising;
    QTest::newRow("rising, then one out of order") << (QList<qint64>(rising) << 150 << 1000);
    QTest::newRow("rising, then a repeated id") << (QList<qint64>(rising) << 297 << 297);
    QTest::newRow("falling, negative ids") << QList<qint64>{-1, -5, -9, -20};
    QTest::newRow("a single way") << QList<qint64>{42};
    QList<qint64> repeated;
    for (qint64 id = 0; id < 40; ++id)
        repeated << id % 7;
    QTest::newRow("every id repeated") << repeated;
}

void tst_OSMWays::findGivesFirstOfId()
{
    QFETCH(QList<qint64>, ids);
    OSMWays ways;
    for (qint64 id : ids)
        fill(ways, {id});
    QSet<qint64> asked;
    for (qint64 id : ids)
        asked << id - 1 << id << id + 1;
    for (qint64 id : asked) {
        const int first = ids.indexOf(id);
        QCOMPARE(ways.find(id), first < 0 ? nullptr : ways.ways()[std::size_t(first)].get());
    }
}

QTEST_GUILESS_MAIN(tst_OSMWays)
#include "tst_OSMWays.moc"
