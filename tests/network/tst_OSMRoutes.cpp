#include "network/Node.h"
#include "network/OSMRoutes.h"
#include "network/Stop.h"
#include "network/Way.h"
#include "tests/support/StderrCapture.h"

#include <QtTest>

class tst_OSMRoutes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void byNameAndDistinctNames();
    void print();
    void printWithoutWays();
};

void tst_OSMRoutes::byNameAndDistinctNames()
{
    OSMRoutes routes;
    auto* a1 = new Route("A");
    auto* b = new Route("B");
    auto* a2 = new Route("A");
    routes.addRoute(a1);
    routes.addRoute(b);
    routes.addRoute(a2);
    QCOMPARE(routes.distinctNameCount(), size_t(2));
    QCOMPARE(routes.routesByName("A"), (std::vector<Route*>{a1, a2}));
    QVERIFY(routes.routesByName("a").empty());
    routes.addRoute(new Route(std::string("A\0", 2)));
    QCOMPARE(routes.distinctNameCount(), size_t(3));
}

void tst_OSMRoutes::print()
{
    Node node(1, 0, 0, false);
    Way w1;
    w1.setId(11);
    Way w2;
    w2.setId(-12);
    Stop s1("Náměstí", &node, Bus);
    Stop s2("Depo", &node, Bus);
    Route route("Linka 4", {&w1, &w2}, {&s1, &s2});
    StderrCapture err;
    route.print();
    QCOMPARE(err.text(), std::string("Route name: Linka 4\nWays: 11|-12\nStops: Náměstí|Depo\n"));
}

void tst_OSMRoutes::printWithoutWays()
{
    Route route("");
    StderrCapture err;
    route.print();
    QCOMPARE(err.text(), std::string("Route name: \nWays: \nStops: \n"));
}

QTEST_GUILESS_MAIN(tst_OSMRoutes)
#include "tst_OSMRoutes.moc"
