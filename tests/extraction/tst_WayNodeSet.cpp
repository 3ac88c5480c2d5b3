#include "extraction/WayNodeSet.h"

#include <QtTest>
#include <algorithm>
#include <limits>
#include <numeric>
#include <random>
#include <set>

// The nodes of the kept ways, held as differences between neighbouring ids: every id of every
// size and sign must be found again, asked in any order, and no other.
class tst_WayNodeSet : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void answersAsTheIdsWere_data();
    void answersAsTheIdsWere();
};

namespace {

OSMEntity road(const std::vector<qint64>& refs, const char* highway = "residential")
{
    OSMEntity way(OSMEntity::Way);
    way.refs = refs;
    way.addTag("highway", highway);
    return way;
}

} // namespace

void tst_WayNodeSet::answersAsTheIdsWere_data()
{
    QTest::addColumn<std::vector<qint64>>("ids");
    std::vector<qint64> dense(200);
    std::iota(dense.begin(), dense.end(), 1000);
    QTest::newRow("neighbouring ids over several blocks") << dense;
    // Differences of one to nine bytes and the widest one there is.
    std::vector<qint64> gaps{std::numeric_limits<qint64>::min(), -1, 0};
    for (int bits = 7; bits < 63; bits += 7)
        gaps.push_back(gaps.back() + (qint64(1) << bits));
    gaps.push_back(std::numeric_limits<qint64>::max());
    QTest::newRow("gaps of every size, both signs") << gaps;
    std::vector<qint64> oneBlockMore(65);
    for (std::size_t i = 0; i < oneBlockMore.size(); ++i)
        oneBlockMore[i] = qint64(i * i * 1000003);
    QTest::newRow("a block and one more") << oneBlockMore;
    QTest::newRow("a single id") << std::vector<qint64>{7};
    QTest::newRow("none") << std::vector<qint64>{};
}

void tst_WayNodeSet::answersAsTheIdsWere()
{
    QFETCH(std::vector<qint64>, ids);
    WayNodeSet set;
    // Shared ends and ways of two nodes, in no order; a way the network does not keep adds nothing.
    std::vector<qint64> shuffled = ids;
    std::mt19937 random(5);
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    for (std::size_t i = 0; i + 1 < shuffled.size(); i += 2)
        set.handle(road({shuffled[i], shuffled[i + 1], shuffled[i]}));
    if (shuffled.size() % 2)
        set.handle(road({shuffled.back(), shuffled.front()}));
    set.handle(road({123456789, 987654321}, "footway"));
    set.finish();
    QCOMPARE(set.size(), ids.size());

    const std::set<qint64> expected(ids.begin(), ids.end());
    std::vector<qint64> asked;
    for (qint64 id : ids) {
        asked.push_back(id);
        if (id > std::numeric_limits<qint64>::min())
            asked.push_back(id - 1);
        if (id < std::numeric_limits<qint64>::max())
            asked.push_back(id + 1);
    }
    asked.push_back(123456789);
    std::sort(asked.begin(), asked.end());
    std::vector<qint64> falling(asked.rbegin(), asked.rend());
    std::vector<qint64> anyOrder = asked;
    std::shuffle(anyOrder.begin(), anyOrder.end(), random);
    for (const std::vector<qint64>* order : {&asked, &asked, &falling, &anyOrder})
        for (qint64 id : *order)
            QVERIFY2(set.contains(id) == (expected.count(id) > 0), qPrintable(QString::number(id)));
}

QTEST_GUILESS_MAIN(tst_WayNodeSet)
#include "tst_WayNodeSet.moc"
