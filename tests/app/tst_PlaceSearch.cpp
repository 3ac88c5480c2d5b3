#include "app/MainWindow.h"
#include "app/SelectionStatus.h"
#include "common/BoundingBox.h"
#include "mapview/NominatimClient.h"
#include "mapview/Renderer.h"
#include "mapview/Visualization.h"
#include "tests/support/EncodedBodies.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/TestWorkDir.h"
#include "tests/support/TileImages.h"

#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTreeWidget>
#include <QUrlQuery>
#include <QSettings>
#include <QtTest>

// Finding a place by name in the main window, against a fake Nominatim on loopback: what a
// chosen place does to the selection, the fields and the map; the status line of an answer
// with nothing in it or of one that failed; and the usage policy: one request on Enter, at
// most one a second, none for a search answered before.
class tst_PlaceSearch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void answer_data();
    void answer();
    void requestOnEnterOnly();
    void twoEntersWithinASecond();
    void sameSearchAskedOnce();
    void ctrlFAndEscape();

private:
    QStringList fields() const;
    // Types the text into the field and presses Enter.
    void search(const QString& text);
    // The answer to the latest search has come: listed, or told in the status bar.
    bool answered() const;

    FakeHttpServer* tiles = nullptr;
    FakeHttpServer* nominatim = nullptr;
    TestWorkDir* work = nullptr;
    MainWindow* window = nullptr;
    QLineEdit* field = nullptr;
    QTreeWidget* results = nullptr;
    // What the fake Nominatim answers to every search.
    FakeHttpServer::Response reply;
};

namespace {

const QStringList startFields = {"16.604800", "49.197800", "16.610200", "49.201400"};

QByteArray place(const QByteArray& name, const QByteArray& type, const QByteArray& box, const QByteArray& centre)
{
    return "{\"place_id\":1,\"osm_type\":\"relation\",\"osm_id\":2,\"category\":\"place\",\"type\":\"" + type
        + "\",\"display_name\":\"" + name + "\",\"boundingbox\":" + box + centre + "}";
}

const QByteArray kallio = place("Kallio, Helsinki, Suomi / Finland", "suburb",
                                "[\"60.1780\",\"60.1900\",\"24.9400\",\"24.9600\"]",
                                ",\"lat\":\"60.1841\",\"lon\":\"24.9497\"");
const QByteArray helsinki = place("Helsinki, Suomi / Finland", "city",
                                  "[\"59.9224887\",\"60.2978389\",\"24.7828039\",\"25.2544260\"]",
                                  ",\"lat\":\"60.1674881\",\"lon\":\"24.9427473\"");

} // namespace

void tst_PlaceSearch::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    tiles = new FakeHttpServer(this);
    QVERIFY(tiles->listen());
    tiles->useAsApplicationProxy();
    const QByteArray png = TileImages::pngTile(QColor(170, 211, 223));
    tiles->setHandler([png](const FakeHttpServer::Request&) { return FakeHttpServer::Response::ok(png, "image/png"); });
    // Loopback is never reached through the proxy: the searches come to this server directly.
    nominatim = new FakeHttpServer(this);
    QVERIFY(nominatim->listen());
    nominatim->setHandler([this](const FakeHttpServer::Request&) { return reply; });
    qputenv("PELAGOR_NOMINATIM_URL", QString("http://127.0.0.1:%1/nominatim").arg(nominatim->port()).toLatin1());
}

void tst_PlaceSearch::init()
{
    reply = FakeHttpServer::Response::ok("[" + kallio + "," + helsinki + "]", "application/json");
    nominatim->clearRequests();
    work = new TestWorkDir;
    QVERIFY(work->isValid());
    // The start state, wherever the window before was left.
    QSettings().clear();
    window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    field = window->findChild<QLineEdit*>("placeSearch");
    results = window->findChild<QTreeWidget*>("placeResults");
    QVERIFY(field && results);
}

void tst_PlaceSearch::cleanup()
{
    delete window;
    window = nullptr;
    delete work;
    work = nullptr;
}

QStringList tst_PlaceSearch::fields() const
{
    QStringList texts;
    for (const char* name : {"leLeft", "leBottom", "leRight", "leTop"})
        texts << window->findChild<QLineEdit*>(name)->text();
    return texts;
}

void tst_PlaceSearch::search(const QString& text)
{
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

bool tst_PlaceSearch::answered() const
{
    const QString message = window->statusBar()->currentMessage();
    return results->isVisible() || (!message.isEmpty() && !message.startsWith("Searching"));
}

void tst_PlaceSearch::answer_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    // How the place is chosen: "down" and "up" presses, then Enter; or "click N" on row N.
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QStringList>("expectedFields");
    QTest::addColumn<QString>("expectedMessage");

    const QByteArray both = "[" + kallio + "," + helsinki + "]";
    QTest::newRow("small box selected whole")
        << both << 200 << "down" << QStringList({"24.940000", "60.178000", "24.960000", "60.190000"}) << "";
    QTest::newRow("large box: 0.02 degrees around the place's centre")
        << both << 200 << "down down" << QStringList({"24.932747", "60.157488", "24.952747", "60.177488"}) << "";
    QTest::newRow("clicked")
        << both << 200 << "click 1" << QStringList({"24.932747", "60.157488", "24.952747", "60.177488"}) << "";
    QTest::newRow("the arrows stop at the last row")
        << both << 200 << "down down down up" << QStringList({"24.940000", "60.178000", "24.960000", "60.190000"}) << "";
    QTest::newRow("box of exactly 0.1 degrees selected whole")
        << "[" + place("Square", "farmland", "[\"49.1\",\"49.2\",\"16.5\",\"16.6\"]", "") + "]" << 200 << "down"
        << QStringList({"16.500000", "49.100000", "16.600000", "49.200000"}) << "";
    QTest::newRow("large box without a centre: around its middle")
        << "[" + place("Region", "state", "[\"49.0\",\"50.0\",\"16.0\",\"17.0\"]", "") + "]" << 200 << "down"
        << QStringList({"16.490000", "49.490000", "16.510000", "49.510000"}) << "";
    QTest::newRow("gzip: as without it")
        << both << 200 << "down" << QStringList({"24.940000", "60.178000", "24.960000", "60.190000"}) << "";
    QByteArray many = "[" + kallio;
    for (int i = 0; i < 11; ++i)
        many += "," + helsinki;
    QTest::newRow("twelve places: the ten asked for listed")
        << many + "]" << 200 << "down" << QStringList({"24.940000", "60.178000", "24.960000", "60.190000"}) << "";

    const QString failed = "Place search for \"Kallio\" failed: ";
    QTest::newRow("nothing found") << QByteArray("[]") << 200 << "" << startFields << "Nothing found for \"Kallio\"";
    QTest::newRow("HTTP 503") << QByteArray("busy") << 503 << "" << startFields
                              << failed + "the server answered HTTP 503 Service Unavailable";
    QTest::newRow("malformed JSON") << "[" + kallio.left(60) << 200 << "" << startFields
                                    << failed + "the answer is not a list of places";
    QTest::newRow("an object, not a list") << QByteArray("{\"error\":\"Unable to geocode\"}") << 200 << ""
                                           << startFields << failed + "the answer is not a list of places";
    QTest::newRow("text in the box")
        << "[" + kallio + "," + place("X", "city", "[\"60.1\",\"north\",\"24.9\",\"25.0\"]", "") + "]" << 200 << ""
        << startFields << failed + "place 2 of the answer has no valid bounding box";
    QTest::newRow("box out of range")
        << "[" + place("X", "city", "[\"60.1\",\"60.2\",\"24.9\",\"190\"]", "") + "]" << 200 << "" << startFields
        << failed + "place 1 of the answer has no valid bounding box";
    QTest::newRow("three numbers") << "[" + place("X", "city", "[\"60.1\",\"60.2\",\"24.9\"]", "") + "]" << 200 << ""
                                   << startFields << failed + "place 1 of the answer has no valid bounding box";
    QTest::newRow("no answer in time") << QByteArray() << 0 << "" << startFields
                                       << failed + "no answer within 0.3 seconds";
    // Counted as it inflates: a few kilobytes that would fill more than a mebibyte.
    QTest::newRow("gzip: more than 1 MiB inflated")
        << "[" + kallio + "," + QByteArray(1 << 20, ' ') + helsinki + "]" << 200 << "" << startFields
        << failed + "the answer is larger than 1048576 bytes";
}

void tst_PlaceSearch::answer()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QString, choice);
    QFETCH(QStringList, expectedFields);
    QFETCH(QString, expectedMessage);
    if (status == 0) {
        // A server that never answers, and a shorter limit than the real 10 seconds.
        reply.stall = true;
        window->findChild<NominatimClient*>()->setTimeLimit(300);
    } else {
        reply = status == 200 ? FakeHttpServer::Response::ok(body, "application/json")
                              : FakeHttpServer::Response::error(status, body);
    }
    // A row named "gzip: ..." is answered compressed, as a server may.
    if (QByteArray(QTest::currentDataTag()).startsWith("gzip:")) {
        reply.body = EncodedBodies::gzip(body);
        reply.headers.append(qMakePair(QByteArray("Content-Encoding"), QByteArray("gzip")));
    }
    Renderer* renderer = window->findChild<Visualization*>("visualization")->getRenderer();
    const int zoom = renderer->getZoom();

    search("Kallio");
    QTRY_VERIFY_WITH_TIMEOUT(answered(), 10000);
    QCOMPARE(nominatim->requests().size(), 1);
    if (!expectedMessage.isEmpty()) {
        QCOMPARE(window->statusBar()->currentMessage(), expectedMessage);
        QVERIFY(!results->isVisible());
        QCOMPARE(renderer->getZoom(), zoom);
        QCOMPARE(fields(), expectedFields);
        return;
    }

    QCOMPARE(results->topLevelItemCount(), qMin(int(body.count("display_name")), NominatimClient::placesAsked));
    QVERIFY(window->findChild<QLabel*>("placeAttribution")->isVisible());
    QCOMPARE(window->findChild<QLabel*>("placeAttribution")->text(),
             QString("Search by Nominatim, data \u00a9 OpenStreetMap contributors"));
    if (choice.startsWith("click")) {
        QTreeWidgetItem* item = results->topLevelItem(choice.section(' ', 1).toInt());
        QTest::mouseClick(results->viewport(), Qt::LeftButton, Qt::NoModifier, results->visualItemRect(item).center());
    } else {
        for (const QString& key : choice.split(' '))
            QTest::keyClick(field, key == "down" ? Qt::Key_Down : Qt::Key_Up);
        QTest::keyClick(field, Qt::Key_Return);
    }
    QCOMPARE(fields(), expectedFields);
    QVERIFY(!results->isVisible());
    // The status line counts the pieces of the new selection.
    Visualization* map = window->findChild<Visualization*>("visualization");
    auto* statusLine = window->statusBar()->findChild<QLabel*>("selectionStatus");
    QVERIFY(window->statusBar()->currentMessage().isEmpty());
    QTRY_COMPARE(statusLine->text(), SelectionStatus::describe(map->getLocationRect()));
    QVERIFY(statusLine->text().contains(" pieces: 0 on disk"));
    // The map shows the place's box with the selection in it.
    const BoundingBox box = BoundingBox::fromArea(map->getLocationRect());
    for (const GeoPoint& corner : {GeoPoint(box.north(), box.west()), GeoPoint(box.south(), box.east())})
        QVERIFY(map->rect().contains(renderer->geoToPixel(corner)));
    QCOMPARE(nominatim->requests().size(), 1);
}

void tst_PlaceSearch::requestOnEnterOnly()
{
    const QString text = QString::fromUtf8("Rue de l'\u00c9glise & Co + 1");
    QTest::keyClicks(field, text);
    QCOMPARE(nominatim->requests().size(), 0);
    QTest::keyClick(field, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(answered(), 10000);
    QCOMPARE(nominatim->requests().size(), 1);
    const FakeHttpServer::Request request = nominatim->requests().first();
    QCOMPARE(request.method, QByteArray("GET"));
    // Origin form: the path below the configured address, the text encoded whole ('+' and '&' too).
    QCOMPARE(request.target,
             QByteArray("/nominatim/search?q=Rue%20de%20l%27%C3%89glise%20%26%20Co%20%2B%201&format=jsonv2&limit=10"));
    QCOMPARE(QUrlQuery(request.url).queryItemValue("q", QUrl::FullyDecoded), text);
    QCOMPARE(request.url.port(), int(nominatim->port()));
    QCOMPARE(request.header("User-Agent"), QByteArray("Dorvex"));
    // The tests run in the C locale, whose language is English.
    QCOMPARE(request.header("Accept-Language"), QByteArray("en"));
}

void tst_PlaceSearch::twoEntersWithinASecond()
{
    search("Kallio");
    search(QString("Punavuori"));
    QTRY_COMPARE_WITH_TIMEOUT(nominatim->requests().size(), 2, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(answered(), 10000);
    const QList<FakeHttpServer::Request> requests = nominatim->requests();
    QCOMPARE(QUrlQuery(requests[0].url).queryItemValue("q", QUrl::FullyDecoded), QString("Kallio"));
    QCOMPARE(QUrlQuery(requests[1].url).queryItemValue("q", QUrl::FullyDecoded), QString("Punavuori"));
    const qint64 gap = requests[1].receivedMs - requests[0].receivedMs;
    QVERIFY2(gap >= 1000, qPrintable(QString("%1 ms between the requests").arg(gap)));
}

void tst_PlaceSearch::sameSearchAskedOnce()
{
    // Twice while the first is on its way, and again once it is answered.
    search("Kallio");
    QTest::keyClick(field, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(results->isVisible(), 10000);
    QTest::keyClick(field, Qt::Key_Escape);
    QVERIFY(!results->isVisible());
    search("  Kallio ");
    QVERIFY(results->isVisible());
    QCOMPARE(results->topLevelItemCount(), 2);
    QCOMPARE(results->topLevelItem(0)->text(0), QString("Kallio, Helsinki, Suomi / Finland"));
    QCOMPARE(results->topLevelItem(0)->text(1), QString("suburb"));
    QCOMPARE(nominatim->requests().size(), 1);
}

void tst_PlaceSearch::ctrlFAndEscape()
{
    QCOMPARE(field->placeholderText(), QString("Find a place"));
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QVERIFY(!field->hasFocus());
    QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(field->hasFocus());
    // Typed into the field, '+' zooms nothing; after Escape it zooms the map again.
    Renderer* renderer = window->findChild<Visualization*>("visualization")->getRenderer();
    const int zoom = renderer->getZoom();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Plus);
    QCOMPARE(field->text(), QString("+"));
    QCOMPARE(renderer->getZoom(), zoom);
    QTest::keyClick(field, Qt::Key_Escape);
    QVERIFY(!field->hasFocus());
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
    QTest::keyClick(target, Qt::Key_Plus);
    QCOMPARE(renderer->getZoom(), zoom + 1);
    QCOMPARE(nominatim->requests().size(), 0);
}

QTEST_MAIN(tst_PlaceSearch)
#include "tst_PlaceSearch.moc"
