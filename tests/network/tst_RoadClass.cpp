#include "network/RoadClass.h"

#include <QtTest>

class tst_RoadClass : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fromName_data();
    void fromName();
    void name_data();
    void name();
};

void tst_RoadClass::fromName_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("roadClass");
    QTest::newRow("motorway") << QByteArray("motorway") << 0;
    QTest::newRow("motorway_link") << QByteArray("motorway_link") << 0;
    QTest::newRow("trunk") << QByteArray("trunk") << 1;
    QTest::newRow("trunk_link") << QByteArray("trunk_link") << 1;
    QTest::newRow("primary") << QByteArray("primary") << 2;
    QTest::newRow("primary_link") << QByteArray("primary_link") << 2;
    QTest::newRow("secondary") << QByteArray("secondary") << 3;
    QTest::newRow("secondary_link") << QByteArray("secondary_link") << 3;
    QTest::newRow("tertiary") << QByteArray("tertiary") << 4;
    QTest::newRow("tertiary_link") << QByteArray("tertiary_link") << 4;
    QTest::newRow("unclassified") << QByteArray("unclassified") << 5;
    QTest::newRow("residential") << QByteArray("residential") << 6;
    QTest::newRow("service") << QByteArray("service") << 7;
    QTest::newRow("road") << QByteArray("road") << 8;
    QTest::newRow("residential_link is no value") << QByteArray("residential_link") << 8;
    QTest::newRow("service_link is no value") << QByteArray("service_link") << 8;
    QTest::newRow("case matters") << QByteArray("Primary") << 8;
    QTest::newRow("empty") << QByteArray("") << 8;
    QTest::newRow("prefix only") << QByteArray("motor") << 8;
    QTest::newRow("embedded NUL") << QByteArray("primary\0x", 9) << 8;
}

void tst_RoadClass::fromName()
{
    QFETCH(QByteArray, value);
    QFETCH(int, roadClass);
    QCOMPARE(roadClassFromName(value.toStdString()), roadClass);
}

void tst_RoadClass::name_data()
{
    QTest::addColumn<int>("roadClass");
    QTest::addColumn<bool>("link");
    QTest::addColumn<QString>("name");
    const char* names[] = {"motorway", "trunk", "primary", "secondary", "tertiary",
                           "unclassified", "residential", "service", "road"};
    for (int i = 0; i <= 8; ++i) {
        QTest::addRow("%d", i) << i << false << QString(names[i]);
        QTest::addRow("%d link", i) << i << true << QString(names[i]) + "_link";
    }
    QTest::newRow("negative") << -1 << false << "road";
    QTest::newRow("above eight") << 9 << false << "road";
    QTest::newRow("above eight link") << 42 << true << "road_link";
}

void tst_RoadClass::name()
{
    QFETCH(int, roadClass);
    QFETCH(bool, link);
    QFETCH(QString, name);
    QCOMPARE(QString::fromStdString(roadClassName(roadClass, link)), name);
}

QTEST_GUILESS_MAIN(tst_RoadClass)
#include "tst_RoadClass.moc"
