#include "common/BoundingBox.h"

#include <QtTest>

// The text of a box as --bbox takes it: what is accepted, and what is said about the rest; and
// the box as the area of the windows' signals.
class tst_BoundingBox : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fromText_data();
    void fromText();
    void area_data();
    void area();
};

void tst_BoundingBox::fromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem");
    const QString four = "four numbers W,S,E,N expected";
    QTest::newRow("a box") << "37.5,55.8,37.6,55.9" << QString();
    QTest::newRow("a box of one point") << "-1,-2,-1,-2" << QString();
    QTest::newRow("no text") << "" << four;
    QTest::newRow("three numbers") << "37.5,55.8,37.6" << four;
    QTest::newRow("five numbers") << "1,2,3,4,5" << four;
    QTest::newRow("not a number") << "37.5,north,37.6,55.9" << "\"north\" is not a number";
    QTest::newRow("decimal commas") << "37,5;55,8;37,6;55,9" << four;
    QTest::newRow("west east of east") << "37.6,55.8,37.5,55.9" << "west is east of east";
    QTest::newRow("south north of north") << "37.5,55.9,37.6,55.8" << "south is north of north";
    QTest::newRow("beyond the pole") << "37.5,55.8,37.6,90.5" << "latitudes must lie between -90 and 90";
    QTest::newRow("beyond the date line") << "179,0,181,1" << "longitudes must lie between -180 and 180";
    QTest::newRow("not finite") << "-inf,0,1,1" << "longitudes must lie between -180 and 180";
}

void tst_BoundingBox::fromText()
{
    QFETCH(QString, text);
    QFETCH(QString, problem);
    BoundingBox box;
    QString said;
    QCOMPARE(BoundingBox::fromText(text, box, &said), problem.isEmpty());
    QCOMPARE(said, problem);
    if (problem.isEmpty()) {
        const QStringList numbers = text.split(',');
        QCOMPARE(box.west(), numbers[0].toDouble());
        QCOMPARE(box.south(), numbers[1].toDouble());
        QCOMPARE(box.east(), numbers[2].toDouble());
        QCOMPARE(box.north(), numbers[3].toDouble());
    }
}

void tst_BoundingBox::area_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRectF>("expected");
    QTest::newRow("north-east of 0, 0") << "0,0,0.025,0.01" << QRectF(0, 0.01, 0.025, -0.01);
    QTest::newRow("negative bounds") << "-0.5,-0.25,0,0" << QRectF(-0.5, 0, 0.5, -0.25);
    QTest::newRow("antimeridian to antimeridian, pole to pole") << "-180,-90,180,90" << QRectF(-180, 90, 360, -180);
    QTest::newRow("a point") << "-1,-2,-1,-2" << QRectF(-1, -2, 0, 0);
}

void tst_BoundingBox::area()
{
    QFETCH(QString, text);
    QFETCH(QRectF, expected);
    BoundingBox box;
    QVERIFY(BoundingBox::fromText(text, box));
    const QRectF area = box.toArea();
    const QList<double> parts{area.x(), area.y(), area.width(), area.height()};
    QCOMPARE(parts, (QList<double>{expected.x(), expected.y(), expected.width(), expected.height()}));
    const BoundingBox back = BoundingBox::fromArea(expected);
    QCOMPARE(QString("%1,%2,%3,%4").arg(back.west()).arg(back.south()).arg(back.east()).arg(back.north()), text);
}

QTEST_GUILESS_MAIN(tst_BoundingBox)
#include "tst_BoundingBox.moc"
