#include "network/Node.h"
#include "network/Way.h"
#include "tests/support/StderrCapture.h"

#include <QtTest>
#include <memory>

class tst_Way : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void onlyEndsListTheWay();
    void closedWayListedTwiceAtItsEnd();
    void repeatedLastNodeReconnects();
    void twoWaysSharingAnEnd();
    void singleNodeIsFirstAndLast();
    void nullNodeIsRejected();
    void disconnectUnknownWayReports();
    void disconnectNodeKeepsOrder();
};

namespace {
std::vector<std::unique_ptr<Node>> makeNodes(int count)
{
    std::vector<std::unique_ptr<Node>> nodes;
    for (int i = 1; i <= count; ++i)
        nodes.emplace_back(new Node(i, 49.0 + i, 16.0 + i, false));
    return nodes;
}
} // namespace

void tst_Way::onlyEndsListTheWay()
{
    auto n = makeNodes(4);
    Way way;
    for (auto& node : n)
        way.addNode(node.get());
    QCOMPARE(n[0]->getWays(), std::vector<Way*>{&way});
    QVERIFY(n[1]->getWays().empty());
    QVERIFY(n[2]->getWays().empty());
    QCOMPARE(n[3]->getWays(), std::vector<Way*>{&way});
    for (auto& node : n)
        QVERIFY(node->isUsed());
    QCOMPARE(way.firstNode(), n[0].get());
    QCOMPARE(way.lastNode(), n[3].get());
    QCOMPARE(way.nodes().size(), size_t(4));
}

void tst_Way::closedWayListedTwiceAtItsEnd()
{
    auto n = makeNodes(3);
    Way way;
    way.addNode(n[0].get());
    way.addNode(n[1].get());
    way.addNode(n[2].get());
    way.addNode(n[0].get());
    QCOMPARE(n[0]->getWays(), (std::vector<Way*>{&way, &way}));
    QVERIFY(n[1]->getWays().empty());
    QVERIFY(n[2]->getWays().empty());
}

void tst_Way::repeatedLastNodeReconnects()
{
    auto n = makeNodes(2);
    Way way;
    StderrCapture err;
    way.addNode(n[0].get());
    way.addNode(n[1].get());
    way.addNode(n[1].get());
    QCOMPARE(n[0]->getWays().size(), size_t(1));
    QCOMPARE(n[1]->getWays().size(), size_t(1));
    QCOMPARE(way.nodes().size(), size_t(3));
    QCOMPARE(err.text(), std::string());
}

void tst_Way::twoWaysSharingAnEnd()
{
    auto n = makeNodes(3);
    Way first;
    Way second;
    first.addNode(n[0].get());
    first.addNode(n[1].get());
    second.addNode(n[1].get());
    second.addNode(n[2].get());
    QCOMPARE(n[1]->getWays(), (std::vector<Way*>{&first, &second}));
}

void tst_Way::singleNodeIsFirstAndLast()
{
    auto n = makeNodes(1);
    Way way;
    QVERIFY(!way.firstNode());
    QVERIFY(!way.lastNode());
    way.addNode(n[0].get());
    QCOMPARE(way.firstNode(), n[0].get());
    QCOMPARE(way.lastNode(), n[0].get());
}

void tst_Way::nullNodeIsRejected()
{
    Way way;
    StderrCapture err;
    way.addNode(nullptr);
    QCOMPARE(err.text(), std::string("addNode NULL!!!!!\n"));
    QVERIFY(way.nodes().empty());
}

void tst_Way::disconnectUnknownWayReports()
{
    Node node(1, 0, 0, false);
    Way way;
    StderrCapture err;
    node.disconnectWay(&way);
    QCOMPARE(err.text(), std::string("Node::disconnectWay FAILED, could not find (way)\n"));
    QVERIFY(!node.isUsed());
}

void tst_Way::disconnectNodeKeepsOrder()
{
    auto n = makeNodes(3);
    Way way;
    way.addNode(n[0].get());
    way.addNode(n[1].get());
    way.addNode(n[2].get());
    way.addNode(n[1].get());
    StderrCapture err;
    way.disconnectNode(n[1].get());
    QCOMPARE(way.nodes(), (std::vector<Node*>{n[0].get(), n[2].get(), n[1].get()}));
    Node stranger(9, 0, 0, false);
    way.disconnectNode(&stranger);
    QCOMPARE(err.text(), std::string("disconnectNode(Node* node) FAILED! Could not find (*node)\n"));
    QCOMPARE(way.nodes().size(), size_t(3));
}

QTEST_GUILESS_MAIN(tst_Way)
#include "tst_Way.moc"
