#include "network/OSMData.h"
#include "tests/support/StderrCapture.h"

#include <QtTest>

class tst_OSMData : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addNodeFirstWins();
    void stopsUniquePerNameAndNode();
    void addWayIgnores_data();
    void addWayIgnores();
    void addWayMissingNodes();
    void addWayFirstDefinitionWins();
    void addWaySetsFields();
    void addRelationFirstWins();
    void removeUnusedKeepsWayAndStopNodes();
    void definedNodesLikeAddedOnes();
};

void tst_OSMData::addNodeFirstWins()
{
    OSMData data;
    Node* first = data.addNode(5, 49.2, 16.6, true);
    Node* again = data.addNode(5, 1.0, 2.0, false);
    QCOMPARE(again, first);
    QCOMPARE(first->getPosition(), std::make_pair(49.2, 16.6));
    QVERIFY(first->hasTrafficSignals());
    QVERIFY(!first->isUsed());
    QCOMPARE(data.getNodes().size(), size_t(1));
}

void tst_OSMData::stopsUniquePerNameAndNode()
{
    OSMData data;
    Node* a = data.addNode(1, 0, 0, false);
    Node* b = data.addNode(2, 0, 0, false);
    data.addBusStop("Stop", a);
    QVERIFY(a->isUsed());
    data.addBusStop("Stop", a);
    data.addTramStop("Stop", a);
    data.addBusStop("Other", a);
    data.addBusStop("Stop", b);
    data.addBusStop("", b);
    data.addBusStop("", b);
    data.addBusStop(std::string("Stop\0x", 6), a);
    QCOMPARE(data.getBusStops().size(), size_t(5));
    QCOMPARE(data.getTramStops().size(), size_t(1));
    const auto& bus = data.getBusStops().stops();
    QCOMPARE(bus[0]->getName(), std::string("Stop"));
    QCOMPARE(bus[0]->getNode(), a);
    QCOMPARE(bus[0]->getType(), Bus);
    QCOMPARE(bus[1]->getName(), std::string("Other"));
    QCOMPARE(bus[2]->getNode(), b);
    QCOMPARE(bus[3]->getName(), std::string());
    QCOMPARE(bus[4]->getName().size(), size_t(6));
    QCOMPARE(data.getTramStops().stops()[0]->getType(), Tram);
    QCOMPARE(data.getBusStops().find("Other", a), bus[1].get());
    QVERIFY(!data.getBusStops().find("Other", b));
}

void tst_OSMData::addWayIgnores_data()
{
    QTest::addColumn<bool>("tram");
    QTest::addColumn<bool>("highway");
    QTest::addColumn<int>("nodeCount");
    QTest::newRow("single node") << false << true << 1;
    QTest::newRow("no nodes") << true << false << 0;
    QTest::newRow("neither road nor tram") << false << false << 2;
}

void tst_OSMData::addWayIgnores()
{
    QFETCH(bool, tram);
    QFETCH(bool, highway);
    QFETCH(int, nodeCount);
    OSMData data;
    data.addNode(1, 0, 0, false);
    data.addNode(2, 0, 0, false);
    std::vector<qint64> ids;
    for (int i = 1; i <= nodeCount; ++i)
        ids.push_back(i);
    StderrCapture err;
    data.addWay(10, ids, tram, highway, false, false, 6, 1, 1);
    QCOMPARE(data.getWays().size(), size_t(0));
    QCOMPARE(err.text(), std::string());
    QVERIFY(!data.getNodes().find(1)->isUsed());
}

void tst_OSMData::addWayMissingNodes()
{
    OSMData data;
    data.addNode(1, 0, 0, false);
    StderrCapture err;
    data.addWay(10, {1, 99}, false, true, false, false, 6, 1, 1);
    QCOMPARE(err.text(), std::string("addWay finding Node failed: fromId == 99\n"));
    QCOMPARE(data.getWays().size(), size_t(1));
    QCOMPARE(data.getWays().ways()[0]->nodes().size(), size_t(1));

    err.clear();
    data.addWay(11, {-5, 98}, true, false, false, false, 8, 0, 0);
    QCOMPARE(err.text(), std::string("addWay finding Node failed: fromId == -5\n"
                                     "addWay finding Node failed: fromId == 98\n"));
    QCOMPARE(data.getWays().size(), size_t(2));
    QVERIFY(data.getWays().find(11)->nodes().empty());
    QVERIFY(!data.getWays().find(11)->firstNode());
}

void tst_OSMData::addWayFirstDefinitionWins()
{
    OSMData data;
    data.addNode(1, 0, 0, false);
    data.addNode(2, 0, 0, false);
    data.addNode(3, 0, 0, false);
    data.addWay(10, {1, 2}, false, true, false, false, 6, 1, 1);
    StderrCapture err;
    data.addWay(10, {2, 3, 404}, true, true, true, true, 0, 4, 4);
    QCOMPARE(err.text(), std::string());
    QCOMPARE(data.getWays().size(), size_t(1));
    Way* way = data.getWays().find(10);
    QCOMPARE(way->getRoadClass(), 6);
    QVERIFY(!way->getTram());
    QCOMPARE(way->nodes().size(), size_t(2));
    QVERIFY(!data.getNodes().find(3)->isUsed());
}

void tst_OSMData::addWaySetsFields()
{
    OSMData data;
    data.addNode(1, 0, 0, false);
    data.addNode(2, 0, 0, false);
    data.addWay(-7, {1, 2, 1}, true, true, true, true, 3, 2, 5);
    Way* way = data.getWays().find(-7);
    QVERIFY(way);
    QVERIFY(way->getTram() && way->getHighway() && way->getOneway() && way->getLink());
    QCOMPARE(way->getRoadClass(), 3);
    QCOMPARE(way->getLanesForward(), 2);
    QCOMPARE(way->getLanesBackward(), 5);
    QCOMPARE(data.getNodes().find(1)->getWays().size(), size_t(2));
}

void tst_OSMData::addRelationFirstWins()
{
    OSMData data;
    data.addRelation(3, "First", "1", "bus", {1}, {2}, {3}, {4});
    data.addRelation(3, "Second", "2", "tram", {}, {}, {}, {});
    data.addRelation(4, "", "", "", {}, {}, {}, {});
    QCOMPARE(data.getRelations().size(), size_t(2));
    const Relation* r = data.getRelations().find(3);
    QCOMPARE(r->getName(), std::string("First"));
    QCOMPARE(r->getRoute(), std::string("bus"));
    QCOMPARE(r->getForwardWays(), std::vector<qint64>{2});
    QCOMPARE(data.getRelations().relations()[1]->getId(), qint64(4));
    QVERIFY(data.getRoutes().routes().empty());
}

void tst_OSMData::removeUnusedKeepsWayAndStopNodes()
{
    OSMData data;
    data.addNode(1, 0, 0, false);
    data.addNode(2, 0, 0, true);
    data.addNode(3, 0, 0, false);
    data.addNode(4, 0, 0, false);
    data.addNode(5, 0, 0, false);
    data.addWay(10, {1, 3, 4}, false, true, false, false, 6, 1, 1);
    data.addBusStop("s", data.getNodes().find(5));
    data.removeUnusedNodes();
    std::vector<qint64> ids;
    for (const auto& node : data.getNodes().nodes())
        ids.push_back(node->getId());
    QCOMPARE(ids, (std::vector<qint64>{1, 3, 4, 5}));
    // Node 3 is interior: listed by no way, yet used and kept.
    QVERIFY(data.getNodes().find(3)->getWays().empty());
}

void tst_OSMData::definedNodesLikeAddedOnes()
{
    // defineNode is addNode without the pointer: same first-wins rule, same lookups.
    OSMData data;
    data.defineNode(1, 49.2, 16.6, true);
    data.defineNode(2, 49.3, 16.7, false);
    data.defineNode(1, 0, 0, false); // ignored
    data.defineNode(3, 49.4, 16.8, false);
    Node* first = data.addNode(1, 5, 5, false);
    QCOMPARE(first->getPosition(), std::make_pair(49.2, 16.6));
    QVERIFY(first->hasTrafficSignals());
    QCOMPARE(data.getNodes().size(), size_t(3));
    StderrCapture err;
    data.addWay(10, {3, 4, 2}, false, true, false, false, 6, 1, 1);
    QCOMPARE(err.text(), std::string("addWay finding Node failed: fromId == 4\n"));
    data.removeUnusedNodes();
    std::vector<qint64> kept;
    for (const auto& node : data.getNodes().nodes())
        kept.push_back(node->getId());
    QCOMPARE(kept, (std::vector<qint64>{2, 3})); // order of definition, node 1 unused
    QCOMPARE(data.getWays().find(10)->firstNode()->getPosition(), std::make_pair(49.4, 16.8));
}

QTEST_GUILESS_MAIN(tst_OSMData)
#include "tst_OSMData.moc"
