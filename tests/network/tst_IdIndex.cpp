#include "network/IdIndex.h"

#include <QtTest>

#include <limits>

namespace {

// Ids whose home slot in a table of 1024 slots (the first size) is the same: they collide and
// are found only by probing on.
QList<qint64> collidingIds(int count)
{
    const quint64 factor = 0x9E3779B97F4A7C15ULL;
    QList<qint64> ids;
    for (qint64 id = 1; ids.size() < count; ++id)
        if ((quint64(id) * factor) >> 54 == 7)
            ids << id;
    return ids;
}

} // namespace

// The index of the nodes of the file being read: a flat open-addressing table from ids to
// list positions.
class tst_IdIndex : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void findsEveryInsertedId_data();
    void findsEveryInsertedId();
    void tableKeptForSmallReleasedForLarge();
};

void tst_IdIndex::findsEveryInsertedId_data()
{
    QTest::addColumn<QList<qint64>>("ids");
    QTest::addColumn<QList<qint64>>("absent");
    QList<qint64> ascending;
    for (qint64 id = 1; id <= 100000; ++id)
        ascending << id;
    QList<qint64> spread;
    for (qint64 i = 0; i < 5000; ++i)
        spread << i * (qint64(1) << 40) - 3;
    const qint64 lowest = std::numeric_limits<qint64>::min();
    const qint64 highest = std::numeric_limits<qint64>::max();
    const QList<qint64> colliding = collidingIds(60);

    // Each grows the table several times from its first 1024 slots.
    QTest::newRow("ascending, as in sorted files") << ascending << QList<qint64>{0, 100001, -1};
    QTest::newRow("far apart, negative too") << spread << QList<qint64>{-2, 1, qint64(1) << 40};
    QTest::newRow("the ends of the id range") << QList<qint64>{lowest, lowest + 1, -1, 0, highest - 1, highest}
                                               << QList<qint64>{1, lowest + 2, highest - 2};
    // Sixty ids that share one home slot, and one more of that slot that is not stored: the
    // search probes past the others and stops at the first empty slot.
    QTest::newRow("one home slot") << colliding.mid(0, 59) << colliding.mid(59);
}

void tst_IdIndex::findsEveryInsertedId()
{
    QFETCH(QList<qint64>, ids);
    QFETCH(QList<qint64>, absent);
    IdIndex index;
    QCOMPARE(index.find(ids.first()), qint64(-1));
    for (int i = 0; i < ids.size(); ++i) {
        index.insert(ids[i], i);
        // Never more than half full, so that every search ends at an empty slot.
        QVERIFY(2 * index.size() <= index.slotCount());
    }
    QCOMPARE(index.size(), std::size_t(ids.size()));
    for (int i = 0; i < ids.size(); ++i)
        QCOMPARE(index.find(ids[i]), qint64(i));
    for (qint64 id : absent)
        QCOMPARE(index.find(id), qint64(-1));
}

void tst_IdIndex::tableKeptForSmallReleasedForLarge()
{
    IdIndex index;
    for (qint64 id = 0; id < 1000; ++id)
        index.insert(id, id);
    QCOMPARE(index.slotCount(), std::size_t(2048));
    // The next file starts with an empty index in the same table.
    index.clear();
    QCOMPARE(index.size(), std::size_t(0));
    QCOMPARE(index.slotCount(), std::size_t(2048));
    QCOMPARE(index.find(5), qint64(-1));
    index.insert(5, 0);
    QCOMPARE(index.find(5), qint64(0));

    // A table past 65,536 slots is given back, so that a big file's index does not stay.
    for (qint64 id = 0; id < 100000; ++id)
        index.insert(id * 7, id);
    QCOMPARE(index.slotCount(), std::size_t(1) << 18);
    index.clear();
    QCOMPARE(index.slotCount(), std::size_t(0));
    QCOMPARE(index.find(7), qint64(-1));
    index.insert(7, 3);
    QCOMPARE(index.find(7), qint64(3));
    QCOMPARE(index.slotCount(), std::size_t(1024));
}

QTEST_GUILESS_MAIN(tst_IdIndex)
#include "tst_IdIndex.moc"
