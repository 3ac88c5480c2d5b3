#include "network/OSMNodes.h"

#include <QtTest>
#include <algorithm>
#include <random>

class tst_OSMNodes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void removalKeepsOrder_data();
    void removalKeepsOrder();
    void removalOnlyChecksNewNodes();
    void findReturnsFirstOfRepeatedIds();
    void findAfterFirstOfRepeatedIdsRemoved();
    void definedNodes_data();
    void definedNodes();
    void definedNodeKeepsFirstValues();
    void listBeforeRemovalHoldsEveryNode();
    void manyNodesInAnyOrder_data();
    void manyNodesInAnyOrder();
};

namespace {
std::vector<qint64> ids(OSMNodes& nodes)
{
    std::vector<qint64> result;
    for (const auto& node : nodes.nodes())
        result.push_back(node->getId());
    return result;
}
} // namespace

void tst_OSMNodes::removalKeepsOrder_data()
{
    QTest::addColumn<QString>("usedMask"); // one character per node, 'u' = used
    QTest::addColumn<QString>("expected");
    QTest::newRow("third of five unused") << "uu-uu" << "1,2,4,5";
    QTest::newRow("none used") << "---" << "";
    QTest::newRow("all used") << "uuu" << "1,2,3";
    QTest::newRow("alternating") << "-u-u-u" << "2,4,6";
    QTest::newRow("empty list") << "" << "";
}

void tst_OSMNodes::removalKeepsOrder()
{
    QFETCH(QString, usedMask);
    QFETCH(QString, expected);
    OSMNodes nodes;
    for (int i = 0; i < usedMask.size(); ++i) {
        auto* node = new Node(i + 1, 0, 0, false);
        if (usedMask[i] == 'u')
            node->setUsed();
        nodes.add(node);
    }
    nodes.removeUnusedNodes();
    QStringList got;
    for (qint64 id : ids(nodes))
        got << QString::number(id);
    QCOMPARE(got.join(','), expected);
    for (int i = 0; i < usedMask.size(); ++i)
        QCOMPARE(nodes.find(i + 1) != nullptr, usedMask[i] == 'u');
}

void tst_OSMNodes::removalOnlyChecksNewNodes()
{
    OSMNodes nodes;
    auto* kept = new Node(1, 0, 0, false);
    kept->setUsed();
    nodes.add(kept);
    nodes.add(new Node(2, 0, 0, false));
    nodes.removeUnusedNodes();
    nodes.add(new Node(3, 0, 0, false));
    auto* later = new Node(4, 0, 0, false);
    later->setUsed();
    nodes.add(later);
    nodes.add(new Node(5, 0, 0, false));
    nodes.removeUnusedNodes();
    QCOMPARE(ids(nodes), (std::vector<qint64>{1, 4}));
    QCOMPARE(nodes.find(1), kept);
    QCOMPARE(nodes.find(4), later);
    QVERIFY(!nodes.find(3));
    // A node that had been removed can come back with a later definition.
    nodes.add(new Node(2, 1, 1, false));
    QVERIFY(nodes.find(2));
    QCOMPARE(ids(nodes), (std::vector<qint64>{1, 4, 2}));
}

void tst_OSMNodes::findReturnsFirstOfRepeatedIds()
{
    OSMNodes nodes;
    auto* first = new Node(7, 1, 1, false);
    nodes.add(first);
    nodes.add(new Node(7, 2, 2, true));
    QCOMPARE(nodes.find(7), first);
    QVERIFY(!nodes.find(8));
}

void tst_OSMNodes::findAfterFirstOfRepeatedIdsRemoved()
{
    OSMNodes nodes;
    nodes.add(new Node(7, 1, 1, false));
    auto* second = new Node(7, 2, 2, false);
    second->setUsed();
    nodes.add(second);
    nodes.removeUnusedNodes();
    QCOMPARE(nodes.find(7), second);
}

void tst_OSMNodes::definedNodes_data()
{
    // Ids defined in this order; the ids then handed out by find() and marked used.
    QTest::addColumn<QList<qint64>>("defined");
    QTest::addColumn<QList<qint64>>("used");
    QTest::addColumn<QString>("expected");
    QTest::newRow("rising ids, found out of order") << QList<qint64>{1, 2, 3, 4, 5} << QList<qint64>{4, 2} << "2,4";
    QTest::newRow("falling ids") << QList<qint64>{9, 7, 5, 3} << QList<qint64>{3, 9} << "9,3";
    QTest::newRow("order breaks late") << QList<qint64>{10, 20, 30, 15, 40} << QList<qint64>{40, 15, 10}
                                       << "10,15,40";
    QTest::newRow("repeated id ignored") << QList<qint64>{5, 6, 5, 7} << QList<qint64>{5, 7} << "5,7";
    QTest::newRow("negative ids") << QList<qint64>{-3, -2, -10} << QList<qint64>{-10, -3} << "-3,-10";
    QTest::newRow("nothing used") << QList<qint64>{1, 2} << QList<qint64>{} << "";
}

void tst_OSMNodes::definedNodes()
{
    QFETCH(QList<qint64>, defined);
    QFETCH(QList<qint64>, used);
    QFETCH(QString, expected);
    OSMNodes nodes;
    for (qint64 id : defined)
        nodes.define(id, double(id), -double(id), id % 2 == 0);
    QCOMPARE(nodes.size(), std::size_t(QSet<qint64>(defined.begin(), defined.end()).size()));
    for (qint64 id : used) {
        Node* node = nodes.find(id);
        QVERIFY(node);
        QCOMPARE(node->getId(), id);
        QCOMPARE(node->getLat(), double(id));
        QCOMPARE(node->getLon(), -double(id));
        QCOMPARE(node->hasTrafficSignals(), id % 2 == 0);
        QCOMPARE(nodes.find(id), node); // the same record every time
        node->setUsed();
    }
    nodes.removeUnusedNodes();
    QStringList got;
    for (qint64 id : ids(nodes))
        got << QString::number(id);
    // Definition order, not the order in which the nodes were handed out.
    QCOMPARE(got.join(','), expected);
    for (qint64 id : defined)
        QCOMPARE(nodes.find(id) != nullptr, used.contains(id));
}

void tst_OSMNodes::definedNodeKeepsFirstValues()
{
    OSMNodes nodes;
    auto* added = new Node(1, 10, 10, false);
    added->setUsed();
    nodes.add(added);
    nodes.define(1, 20, 20, true); // already there: ignored
    nodes.define(2, 30, 30, true);
    nodes.define(2, 40, 40, false);
    QCOMPARE(nodes.size(), std::size_t(2));
    QCOMPARE(nodes.find(1), added);
    QCOMPARE(nodes.find(2)->getLat(), 30.0);
    QVERIFY(nodes.find(2)->hasTrafficSignals());
    nodes.removeUnusedNodes();
    QCOMPARE(ids(nodes), (std::vector<qint64>{1}));
    // Survivors of a removal stay; a later definition of their id changes nothing.
    nodes.define(1, 50, 50, true);
    QCOMPARE(nodes.size(), std::size_t(1));
    QCOMPARE(nodes.find(1)->getLat(), 10.0);
    // A removed node comes back with its next definition.
    nodes.define(2, 60, 60, false);
    QCOMPARE(nodes.find(2)->getLat(), 60.0);
}

void tst_OSMNodes::listBeforeRemovalHoldsEveryNode()
{
    OSMNodes nodes;
    nodes.define(3, 0, 0, false);
    nodes.add(new Node(1, 0, 0, false));
    nodes.define(2, 0, 0, false);
    nodes.find(2)->setUsed();
    QCOMPARE(ids(nodes), (std::vector<qint64>{3, 1, 2}));
    nodes.define(4, 0, 0, false);
    QCOMPARE(ids(nodes), (std::vector<qint64>{3, 1, 2, 4}));
    nodes.removeUnusedNodes();
    QCOMPARE(ids(nodes), (std::vector<qint64>{2}));
    QVERIFY(!nodes.find(3));
    QVERIFY(!nodes.find(4));
}

void tst_OSMNodes::manyNodesInAnyOrder_data()
{
    QTest::addColumn<bool>("shuffled");
    QTest::newRow("rising") << false;
    QTest::newRow("shuffled") << true;
}

void tst_OSMNodes::manyNodesInAnyOrder()
{
    // Enough nodes for the index to grow several times, over three files; in rising
    // order, a last stretch shorter than the others.
    QFETCH(bool, shuffled);
    std::vector<qint64> defined;
    for (qint64 i = 0; i < 20001; ++i)
        defined.push_back(1000000000 + 7 * i);
    if (shuffled)
        std::shuffle(defined.begin(), defined.end(), std::mt19937(1));
    OSMNodes nodes;
    std::vector<qint64> expected;
    for (int file = 0; file < 3; ++file) {
        for (qint64 id : defined)
            nodes.define(id + file, 0, 0, false);
        QCOMPARE(nodes.size(), expected.size() + defined.size());
        for (std::size_t i = 0; i < defined.size(); i += 97) {
            Node* node = nodes.find(defined[i] + file);
            QVERIFY(node);
            QCOMPARE(node->getId(), defined[i] + file);
            node->setUsed();
            QVERIFY(!nodes.find(defined[i] + file + 3)); // between the ids
        }
        QCOMPARE(nodes.find(defined.back() + file)->getId(), defined.back() + file);
        QVERIFY(!nodes.find(defined.back() + file + 3));
        for (std::size_t i = 0; i < defined.size(); i += 97)
            expected.push_back(defined[i] + file);
        nodes.removeUnusedNodes();
    }
    QCOMPARE(ids(nodes), expected);
}

QTEST_GUILESS_MAIN(tst_OSMNodes)
#include "tst_OSMNodes.moc"
