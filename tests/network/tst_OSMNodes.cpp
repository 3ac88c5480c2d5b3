#include "network/OSMNodes.h"

#include <QtTest>

class tst_OSMNodes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void removalKeepsOrder_data();
    void removalKeepsOrder();
    void removalOnlyChecksNewNodes();
    void findReturnsFirstOfRepeatedIds();
    void findAfterFirstOfRepeatedIdsRemoved();
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

QTEST_GUILESS_MAIN(tst_OSMNodes)
#include "tst_OSMNodes.moc"
