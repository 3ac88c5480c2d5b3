#include "app/SelectionStatus.h"
#include "common/BoundingBox.h"
#include "download/Pelagor.h"
#include "download/PiecePlan.h"
#include "download/PieceStore.h"
#include "tests/support/OsmApiPieces.h"
#include "tests/support/TestWorkDir.h"

#include <QDir>
#include <QFile>
#include <QtTest>

// The status line of a selection counts what a download of it finds on disk and requests:
// each row compares it with the downloader's own plan over the same folder.
class tst_SelectionStatus : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void countsEqualTheDownloadersPlan_data();
    void countsEqualTheDownloadersPlan();
};

void tst_SelectionStatus::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void tst_SelectionStatus::countsEqualTheDownloadersPlan_data()
{
    QTest::addColumn<QRectF>("area");
    // Entries of data/download/; a name ending in '/' is a folder, one ending in '!' a file cut
    // short.
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("expected");

    const QRectF sample = OsmApiPieces::sampleArea();
    const QStringList pieces = OsmApiPieces::sampleRequestOrder();
    QTest::newRow("nothing on disk") << sample << QStringList() << "8 pieces: 0 on disk, 8 to download";
    QTest::newRow("all on disk") << sample << pieces << "8 pieces: 8 on disk, 0 to download";
    // The last column is 7 units wide and the top row 7 units high: edge pieces count like any.
    QTest::newRow("edge pieces, and the quadrants of a piece that is not there")
        << sample
        << QStringList({pieces[0], pieces[1], pieces[6], "37.585-55.811-37.59-55.816", "37.585-55.806-37.59-55.811",
                        "37.59-55.811-37.595-55.816", "37.59-55.806-37.595-55.811"})
        << "8 pieces: 3 on disk, 5 to download";
    QTest::newRow("pieces of other areas and names that are no piece")
        << sample
        << QStringList({pieces[3], "37.615-55.816-37.622-55.824", "37.61-55.816-37.62-55.826", "37.6150-55.816-37.622-55.823",
                        "notes", "37.605-55.806-37.615-55.816.osm.Xy12ab"})
        << "8 pieces: 1 on disk, 7 to download";
    // A download fetches them again.
    QTest::newRow("a folder, an empty file and a file cut short under pieces' names are not on disk")
        << sample << QStringList({pieces[2] + "/", pieces[3] + "!", pieces[4] + "!!", pieces[5]})
        << "8 pieces: 1 on disk, 7 to download";
    // Grid -13..10 by -5..5: pieces from -13, -3 and 7 (3 units wide) across the zero meridian.
    QTest::newRow("negative bounds and a narrow last column")
        << BoundingBox(-0.0125, -0.0042, 0.0095, 0.0042).toArea()
        << QStringList({"-0.003--0.005-0.007-0.005", "0.007--0.005-0.01-0.005", "-0.013--0.005--0.003-0.004"})
        << "3 pieces: 2 on disk, 1 to download";
    QTest::newRow("one piece") << BoundingBox(16.6048, 49.1978, 16.6102, 49.2014).toArea()
                               << QStringList({"16.604-49.197-16.611-49.202"}) << "1 piece: 1 on disk, 0 to download";
    QTest::newRow("no width") << BoundingBox(16.6, 49.19, 16.6, 49.2).toArea() << QStringList()
                              << "0 pieces: 0 on disk, 0 to download";
    QTest::newRow("too large") << BoundingBox(0, 0, 20, 20).toArea() << QStringList({pieces[0]})
                               << "Selected area is too large";
    QTest::newRow("the largest area planned") << BoundingBox(0, 0, 10, 10).toArea() << QStringList({"0-0-0.01-0.01"})
                                              << "1000000 pieces: 1 on disk, 999999 to download";
}

void tst_SelectionStatus::countsEqualTheDownloadersPlan()
{
    QFETCH(QRectF, area);
    QFETCH(QStringList, entries);
    QFETCH(QString, expected);
    TestWorkDir work;
    QVERIFY(work.isValid());
    QVERIFY(QDir().mkpath("data/download"));
    const QByteArray whole = "<osm version=\"0.6\">\n</osm>\n";
    for (const QString& entry : entries) {
        if (entry.endsWith('/'))
            QVERIFY(QDir().mkdir("data/download/" + entry.chopped(1) + ".osm"));
        else if (entry.endsWith("!!"))
            QVERIFY(TestWorkDir::writeFile("data/download/" + entry.chopped(2) + ".osm", QByteArray()));
        else if (entry.endsWith('!'))
            QVERIFY(TestWorkDir::writeFile("data/download/" + entry.chopped(1) + ".osm", whole.left(20)));
        else if (entry.contains(".osm"))
            QVERIFY(TestWorkDir::writeFile("data/download/" + entry, whole));
        else
            QVERIFY(TestWorkDir::writeFile("data/download/" + entry + ".osm", whole));
    }

    const QString status = SelectionStatus::describe(area);
    QCOMPARE(status, expected);

    // What the downloader itself plans for the area, and finds on disk of it.
    Pelagor downloader;
    if (!downloader.prepareRequests(area)) {
        QCOMPARE(status, QString("Selected area is too large"));
        return;
    }
    const std::vector<QRect>& queue = downloader.getRequestQueue();
    const PieceStore store(PiecePlan::downloadDir);
    int found = 0;
    for (const QRect& piece : queue)
        found += store.hasWholeLookingFile(piece) ? 1 : 0;
    QCOMPARE(status, QString("%1 %2: %3 on disk, %4 to download")
                         .arg(queue.size())
                         .arg(queue.size() == 1 ? "piece" : "pieces")
                         .arg(found)
                         .arg(int(queue.size()) - found));
}

QTEST_GUILESS_MAIN(tst_SelectionStatus)
#include "tst_SelectionStatus.moc"
