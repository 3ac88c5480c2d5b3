#include "common/BoundingBox.h"
#include "mapview/LocationRect.h"

#include <QtTest>

class tst_LocationRect : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaults();
    void cornerNumbering_data();
    void cornerNumbering();
    void setCornerMovesNeighbours_data();
    void setCornerMovesNeighbours();
    void setCornerClamps_data();
    void setCornerClamps();
    void toRectFNormalises_data();
    void toRectFNormalises();
};

void tst_LocationRect::defaults()
{
    const LocationRect r;
    QCOMPARE(r.lat1, 49.2014);
    QCOMPARE(r.lat2, 49.1978);
    QCOMPARE(r.lon1, 16.6048);
    QCOMPARE(r.lon2, 16.6102);
    const BoundingBox box = BoundingBox::fromArea(r.toRectF());
    QCOMPARE(box.west(), 16.6048);
    QCOMPARE(box.north(), 49.2014);
    QCOMPARE(box.east(), 16.6102);
    QCOMPARE(box.south(), 49.1978);
}

void tst_LocationRect::cornerNumbering_data()
{
    QTest::addColumn<int>("corner");
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");

    QTest::newRow("1 = lat1, lon1") << 1 << 10.0 << 100.0;
    QTest::newRow("2 = lat1, lon2") << 2 << 10.0 << 200.0;
    QTest::newRow("3 = lat2, lon1") << 3 << 20.0 << 100.0;
    QTest::newRow("4 = lat2, lon2") << 4 << 20.0 << 200.0;
}

void tst_LocationRect::cornerNumbering()
{
    QFETCH(int, corner);
    QFETCH(double, lat);
    QFETCH(double, lon);

    const LocationRect r(10.0, 20.0, 100.0, 200.0);
    QCOMPARE(r.cornerPoint(corner).lat, lat);
    QCOMPARE(r.cornerPoint(corner).lon, lon);
    QCOMPARE(r.topLeft().lat, 20.0);
    QCOMPARE(r.topLeft().lon, 100.0);
    QCOMPARE(r.bottomRight().lat, 10.0);
    QCOMPARE(r.bottomRight().lon, 200.0);
}

void tst_LocationRect::setCornerMovesNeighbours_data()
{
    QTest::addColumn<int>("corner");
    QTest::addColumn<double>("lat1");
    QTest::addColumn<double>("lat2");
    QTest::addColumn<double>("lon1");
    QTest::addColumn<double>("lon2");

    QTest::newRow("corner 1") << 1 << 5.0 << 20.0 << 50.0 << 60.0;
    QTest::newRow("corner 2") << 2 << 5.0 << 20.0 << 40.0 << 50.0;
    QTest::newRow("corner 3") << 3 << 10.0 << 5.0 << 50.0 << 60.0;
    QTest::newRow("corner 4") << 4 << 10.0 << 5.0 << 40.0 << 50.0;
    QTest::newRow("corner 0 changes nothing") << 0 << 10.0 << 20.0 << 40.0 << 60.0;
    QTest::newRow("corner 5 changes nothing") << 5 << 10.0 << 20.0 << 40.0 << 60.0;
}

void tst_LocationRect::setCornerMovesNeighbours()
{
    QFETCH(int, corner);
    QFETCH(double, lat1);
    QFETCH(double, lat2);
    QFETCH(double, lon1);
    QFETCH(double, lon2);

    LocationRect r(10.0, 20.0, 40.0, 60.0);
    r.setCorner(corner, GeoPoint(5.0, 50.0));
    QCOMPARE(r.lat1, lat1);
    QCOMPARE(r.lat2, lat2);
    QCOMPARE(r.lon1, lon1);
    QCOMPARE(r.lon2, lon2);
}

void tst_LocationRect::setCornerClamps_data()
{
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("clampedLat");
    QTest::addColumn<double>("clampedLon");

    QTest::newRow("inside") << 85.0 << -179.0 << 85.0 << -179.0;
    QTest::newRow("north of the limit") << 89.9 << 0.0 << 85.0511 << 0.0;
    QTest::newRow("south of the limit") << -86.0 << 0.0 << -85.0511 << 0.0;
    QTest::newRow("east of 180") << 0.0 << 181.5 << 0.0 << 180.0;
    QTest::newRow("west of -180") << 0.0 << -200.0 << 0.0 << -180.0;
    QTest::newRow("on the limits") << 85.0511 << 180.0 << 85.0511 << 180.0;
}

void tst_LocationRect::setCornerClamps()
{
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(double, clampedLat);
    QFETCH(double, clampedLon);

    LocationRect r;
    r.setCorner(4, GeoPoint(lat, lon));
    QCOMPARE(r.lat2, clampedLat);
    QCOMPARE(r.lon2, clampedLon);
}

void tst_LocationRect::toRectFNormalises_data()
{
    QTest::addColumn<double>("lat1");
    QTest::addColumn<double>("lat2");
    QTest::addColumn<double>("lon1");
    QTest::addColumn<double>("lon2");

    QTest::newRow("ordered") << 50.0 << 49.0 << 16.0 << 17.0;
    QTest::newRow("latitudes swapped") << 49.0 << 50.0 << 16.0 << 17.0;
    QTest::newRow("longitudes swapped") << 50.0 << 49.0 << 17.0 << 16.0;
    QTest::newRow("inside out") << 49.0 << 50.0 << 17.0 << 16.0;
}

void tst_LocationRect::toRectFNormalises()
{
    QFETCH(double, lat1);
    QFETCH(double, lat2);
    QFETCH(double, lon1);
    QFETCH(double, lon2);

    const QRectF area = LocationRect(lat1, lat2, lon1, lon2).toRectF();
    QCOMPARE(area.x(), 16.0);
    QCOMPARE(area.y(), 50.0);
    QCOMPARE(area.width(), 1.0);
    QCOMPARE(area.height(), -1.0);

    const QRectF flat = LocationRect(lat1, lat1, lon1, lon1).toRectF();
    QCOMPARE(flat.width(), 0.0);
    QCOMPARE(flat.height(), 0.0);
}

QTEST_APPLESS_MAIN(tst_LocationRect)
#include "tst_LocationRect.moc"
