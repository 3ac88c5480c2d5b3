#include "app/DownloadWindow.h"
#include "app/MainWindow.h"
#include "app/SelectionStatus.h"
#include "common/BoundingBox.h"
#include "mapview/Renderer.h"
#include "mapview/Visualization.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/ModalAnswer.h"
#include "tests/support/TestWorkDir.h"
#include "tests/support/TileImages.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMimeData>
#include <QProgressBar>
#include <QTextEdit>
#include <QBuffer>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyleOptionFrame>
#include <QTcpServer>
#include <QNetworkProxy>
#include <QtTest>

// The main window: its widget tree, the coordinate fields, the keys and the About box.
class tst_MainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void widgetTree_data();
    void widgetTree();
    void windowAndLayout();
    void menu();
    void initialFields();
    void fieldsShowWholeText_data();
    void fieldsShowWholeText();
    void reopensWhereLeft();
    void startStateFromSettings_data();
    void startStateFromSettings();
    void tileFailureSaidOnce();
    void fieldTexts_data();
    void fieldTexts();
    void fieldsFollowCornerDrag();
    void zoomKeys();
    void about();
    void downloadSource();
    void manyRequestsAsked_data();
    void manyRequestsAsked();
    void extractFromMenu_data();
    void extractFromMenu();
    void dropOutsideFileArea();
    void networkFileFor();

private:
    void reopen();
    // Chooses `path` in the file dialog that the action opens; false when none opened.
    bool chooseInFileDialog(QAction* action, const QString& path);

    QLineEdit* field(const char* name) const { return window->findChild<QLineEdit*>(name); }

    FakeHttpServer* server = nullptr;
    TestWorkDir* work = nullptr;
    MainWindow* window = nullptr;
};

void tst_MainWindow::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    server = new FakeHttpServer(this);
    QVERIFY(server->listen());
    server->useAsApplicationProxy();
    const QByteArray png = TileImages::pngTile(QColor(170, 211, 223));
    server->setHandler([png](const FakeHttpServer::Request&) { return FakeHttpServer::Response::ok(png, "image/png"); });
}

void tst_MainWindow::init()
{
    work = new TestWorkDir;
    QVERIFY(work->isValid());
    QSettings().clear();
    window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void tst_MainWindow::cleanup()
{
    delete window;
    window = nullptr;
    delete work;
    work = nullptr;
}

void tst_MainWindow::widgetTree_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    QTest::newRow("frameControl") << "frameControl" << "QFrame" << "visualization";
    QTest::newRow("btnStartDownload") << "btnStartDownload" << "QPushButton" << "frameControl";
    QTest::newRow("leRight") << "leRight" << "QLineEdit" << "frameControl";
    QTest::newRow("leBottom") << "leBottom" << "QLineEdit" << "frameControl";
    QTest::newRow("leTop") << "leTop" << "QLineEdit" << "frameControl";
    QTest::newRow("leLeft") << "leLeft" << "QLineEdit" << "frameControl";
    QTest::newRow("visualization") << "visualization" << "Visualization" << "centralWidget";
    QTest::newRow("problemList") << "problemList" << "ProblemList" << "problemPanel";
}

void tst_MainWindow::widgetTree()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    auto* widget = window->findChild<QWidget*>(name);
    QVERIFY(widget);
    QCOMPARE(QString(widget->metaObject()->className()), className);
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        QVERIFY(edit->isReadOnly());
}

void tst_MainWindow::windowAndLayout()
{
    QCOMPARE(window->windowTitle(), QString("Pelagor for Dorvex"));
    QCOMPARE(window->size(), QSize(950, 600));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(window->pos(), QPoint((screen.right() - screen.left()) / 2 - 949 / 2,
                                   (screen.bottom() - screen.top()) / 2 - 599 / 2 - 40));
    auto* central = window->centralWidget();
    QCOMPARE(central->objectName(), QString("centralWidget"));
    QCOMPARE(central->layoutDirection(), Qt::LeftToRight);
    auto* layout = qobject_cast<QHBoxLayout*>(central->layout());
    QVERIFY(layout);
    QCOMPARE(layout->objectName(), QString("horizontalLayout"));
    QCOMPARE(layout->spacing(), 6);
    QCOMPARE(layout->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(layout->count(), 1);
    auto* map = window->findChild<Visualization*>("visualization");
    QCOMPARE(layout->itemAt(0)->widget(), map);
    // Under the map the list of problems, hidden until the problems are shown.
    QVERIFY(!window->findChild<QWidget*>("problemList")->isVisible());
    QCOMPARE(map->minimumSize(), QSize(0, 0));
    // The map fills the window below the menu bar; the panel lies over its corner.
    QCOMPARE(map->width(), 950);
    auto* panel = window->findChild<QFrame*>("frameControl");
    QVERIFY(panel->autoFillBackground());
    QCOMPARE(panel->frameShape(), QFrame::Panel);
    QCOMPARE(panel->frameShadow(), QFrame::Raised);
    QCOMPARE(window->findChild<QPushButton*>("btnStartDownload")->text(), QString("Start Download"));
    // The fields take the keyboard focus in the order they were made.
    QList<QWidget*> order;
    for (QWidget* w = panel->findChild<QPushButton*>("btnStartDownload"); order.size() < 5; w = w->nextInFocusChain())
        if (w->parentWidget() == panel)
            order << w;
    QStringList names;
    for (QWidget* w : order)
        names << w->objectName();
    QCOMPARE(names, QStringList({"btnStartDownload", "leRight", "leBottom", "leTop", "leLeft"}));
}

void tst_MainWindow::menu()
{
    auto* bar = window->menuBar();
    QCOMPARE(bar->objectName(), QString("menuBar"));
    QCOMPARE(bar->actions().size(), 2);
    auto* menu = window->findChild<QMenu*>("menuShow");
    QVERIFY(menu);
    QCOMPARE(menu->title(), QString("Menu"));
    QCOMPARE(bar->actions().first(), menu->menuAction());
    const QList<QAction*> actions = menu->actions();
    QCOMPARE(actions.size(), 9);
    QCOMPARE(actions[0]->objectName(), QString("actionDownloadAgain"));
    QCOMPARE(actions[0]->text(), QString("Download again"));
    auto* from = window->findChild<QMenu*>("menuDownloadFrom");
    QVERIFY(from);
    QCOMPARE(actions[1], from->menuAction());
    QCOMPARE(from->title(), QString("Download from"));
    QCOMPARE(actions[2]->objectName(), QString("actionExtractFromFile"));
    QCOMPARE(actions[2]->text(), QString("Extract from a file..."));
    QCOMPARE(actions[2]->shortcut(), QKeySequence("Ctrl+O"));
    auto* fileFor = window->findChild<QMenu*>("menuNetworkFileFor");
    QVERIFY(fileFor);
    QCOMPARE(actions[3], fileFor->menuAction());
    QCOMPARE(fileFor->title(), QString("Network file for"));
    // On or off, off at first start.
    QCOMPARE(actions[4]->objectName(), QString("actionKeepRouteRoads"));
    QCOMPARE(actions[4]->text(), QString("Keep the roads that routes use"));
    QVERIFY(actions[4]->isCheckable() && !actions[4]->isChecked());
    QVERIFY(actions[5]->isSeparator());
    QCOMPARE(actions[6]->objectName(), QString("actionAbout"));
    QCOMPARE(actions[6]->text(), QString("About"));
    QVERIFY(actions[7]->isSeparator());
    QCOMPARE(actions[8]->objectName(), QString("actionExit"));
    QCOMPARE(actions[8]->text(), QString("Exit"));
    QVERIFY(!actions[0]->isCheckable() && !actions[2]->isCheckable() && !actions[6]->isCheckable()
            && !actions[8]->isCheckable());
    // Two exclusive choices in each submenu: the editing API and the simulator's file at first
    // start.
    const auto entries = [](QMenu* submenu) {
        QStringList found;
        for (QAction* action : submenu->actions())
            found << QString("%1 %2 %3").arg(action->objectName(), action->text()).arg(action->isChecked());
        return found;
    };
    QCOMPARE(entries(from), QStringList({"actionSourceApi OpenStreetMap API (pieces of 0.01°) 1",
                                         "actionSourceOverpass Overpass API (one request per area) 0"}));
    QCOMPARE(entries(fileFor),
             QStringList({"actionFormatDorvex Dorvex 1", "actionFormatOsm Other OpenStreetMap tools 0"}));

    // The views, after "Menu", all off at start.
    auto* view = window->findChild<QMenu*>("menuView");
    QVERIFY(view);
    QCOMPARE(view->title(), QString("View"));
    QCOMPARE(bar->actions().last(), view->menuAction());
    QStringList texts;
    for (QAction* action : view->actions()) {
        QVERIFY(action->isCheckable());
        QVERIFY(!action->isChecked());
        texts << action->objectName() + ' ' + action->text();
    }
    QCOMPARE(texts, QStringList({"actionDownloadedPieces Downloaded pieces",
                                 "actionNetworkOfLastRun Network of the last run",
                                 "actionProblemsOfLastNetwork Problems of the last network"}));

    actions[8]->trigger();
    QVERIFY(!window->isVisible());
}

void tst_MainWindow::initialFields()
{
    QCOMPARE(window->statusBar()->findChild<QLabel*>("selectionStatus")->text(),
             QString("1 piece: 0 on disk, 1 to download"));
    QCOMPARE(field("leTop")->text(), QString("49.201400"));
    QCOMPARE(field("leLeft")->text(), QString("16.604800"));
    QCOMPARE(field("leRight")->text(), QString("16.610200"));
    QCOMPARE(field("leBottom")->text(), QString("49.197800"));
}

void tst_MainWindow::reopen()
{
    delete window;
    window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

namespace {

// The room QLineEdit gives its text: the style's contents rectangle less the text margins and
// the two pixels it keeps free on either side.
QRect textRoom(const QLineEdit* field)
{
    QStyleOptionFrame option;
    option.initFrom(field);
    option.rect = field->rect();
    option.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    option.features = QStyleOptionFrame::None;
    const QRect contents = field->style()->subElementRect(QStyle::SE_LineEditContents, &option, field);
    return contents.marginsRemoved(field->textMargins()).adjusted(2, 0, -2, 0);
}

QRect in(const QWidget* widget, const QWidget* ancestor)
{
    return QRect(widget->mapTo(ancestor, QPoint(0, 0)), widget->size());
}

} // namespace

void tst_MainWindow::fieldsShowWholeText_data()
{
    QTest::addColumn<qreal>("points");
    QTest::newRow("desktop font") << qreal(0);
    QTest::newRow("9 pt") << qreal(9);
    QTest::newRow("12 pt") << qreal(12);
}

// Every field shows its longest text whole, at any desktop font up to 12 pt and, run again
// with QT_SCALE_FACTOR=2, at display scale 2; the panel grows with them and keeps its
// compass rose: north above west and east, south below, the button under all.
void tst_MainWindow::fieldsShowWholeText()
{
    QFETCH(qreal, points);
    // The desktop's font comes back whatever the outcome.
    const struct DesktopFont
    {
        QFont font = QApplication::font();
        ~DesktopFont() { QApplication::setFont(font); }
    } desktop;
    if (points > 0) {
        QFont font = desktop.font;
        font.setPointSizeF(points);
        QApplication::setFont(font);
    }
    reopen();
    QVERIFY(QMetaObject::invokeMethod(window, "setNewLocRect", Q_ARG(QRectF, QRectF(-179.999999, -85.0511, 0, 0))));
    auto* panel = window->findChild<QFrame*>("frameControl");
    QStringList cut;
    for (const char* name : {"leTop", "leLeft", "leRight", "leBottom"}) {
        QLineEdit* edit = field(name);
        const QFontMetrics metrics(edit->font());
        const QRect room = textRoom(edit);
        // QLineEdit scrolls a text that needs more than its room less one pixel.
        if (metrics.horizontalAdvance(edit->text()) + 1 > room.width() || metrics.height() > room.height())
            cut << QString("%1 \"%2\": %3x%4 in %5x%6")
                       .arg(name, edit->text())
                       .arg(metrics.horizontalAdvance(edit->text()))
                       .arg(metrics.height())
                       .arg(room.width())
                       .arg(room.height());
        QVERIFY2(panel->contentsRect().contains(in(edit, panel)), name);
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
    QCOMPARE(field("leTop")->text(), QString("-85.051100"));
    QCOMPARE(field("leLeft")->text(), QString("-179.999999"));

    const QRect top = in(field("leTop"), panel);
    const QRect left = in(field("leLeft"), panel);
    const QRect right = in(field("leRight"), panel);
    const QRect bottom = in(field("leBottom"), panel);
    const QRect button = in(window->findChild<QPushButton*>("btnStartDownload"), panel);
    QVERIFY(top.bottom() < left.top() && left.top() == right.top() && left.right() < right.left());
    QVERIFY(left.bottom() < bottom.top() && bottom.bottom() < button.top());
    QVERIFY(qAbs(top.center().x() - (left.left() + right.right()) / 2) <= 1);
    QCOMPARE(top.left(), bottom.left());
    QCOMPARE(button.left(), left.left());
    QCOMPARE(button.right(), right.right());
    QVERIFY(panel->contentsRect().contains(button));
}

// A second window opens where the first one was left: its size and place, the map's centre
// and zoom, and the selection.
void tst_MainWindow::reopensWhereLeft()
{
    window->setGeometry(QRect(20, 30, 700, 500));
    auto* map = window->findChild<Visualization*>("visualization");
    const QRectF area(37.5852, 55.8228, 0.0364, -0.0166);
    map->selectArea(area, area);
    map->getRenderer()->pan(QPoint(37, -21));
    map->getRenderer()->zoomOut();
    const GeoPoint centre = map->getRenderer()->getCenter();
    const int zoom = map->getRenderer()->getZoom();
    QVERIFY(zoom != 16);
    const QStringList fields = {field("leLeft")->text(), field("leBottom")->text(), field("leRight")->text(),
                                field("leTop")->text()};
    QCOMPARE(fields, QStringList({"37.585200", "55.806200", "37.621600", "55.822800"}));

    reopen();
    map = window->findChild<Visualization*>("visualization");
    QCOMPARE(QStringList({field("leLeft")->text(), field("leBottom")->text(), field("leRight")->text(),
                          field("leTop")->text()}),
             fields);
    QCOMPARE(map->getLocationRect(), area);
    QCOMPARE(map->getRenderer()->getCenter().lat, centre.lat);
    QCOMPARE(map->getRenderer()->getCenter().lon, centre.lon);
    QCOMPARE(map->getRenderer()->getZoom(), zoom);
    QCOMPARE(window->geometry(), QRect(20, 30, 700, 500));
    // The status line counts the remembered selection.
    QTRY_COMPARE(window->findChild<QLabel*>("selectionStatus")->text(), QString("8 pieces: 0 on disk, 8 to download"));
}

void tst_MainWindow::startStateFromSettings_data()
{
    QTest::addColumn<QByteArray>("settingsFile");
    QTest::addColumn<QStringList>("leftBottomRightTop");
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<int>("zoom");
    const QStringList start = {"16.604800", "49.197800", "16.610200", "49.201400"};
    QTest::newRow("fresh settings") << QByteArray() << start << 49.1996 << 16.6075 << 16;
    QTest::newRow("unreadable file") << QByteArray("\xff\xfe[map\x01zoom==\n\x89PNG\r\n") << start << 49.1996
                                     << 16.6075 << 16;
    QTest::newRow("values of another kind")
        << QByteArray("[map]\nlatitude=north\nlongitude=\nzoom=far\nselection=16.6,49.2\n"
                      "[window]\ngeometry=wide\n")
        << start << 49.1996 << 16.6075 << 16;
    // Clamped to the map's limits and to the screen.
    QTest::newRow("beyond the limits")
        << QByteArray("[map]\nlatitude=91.5\nlongitude=-200\nzoom=40\nselection=-190,-89,-170,89.5\n"
                      "[window]\ngeometry=@Rect(-5000 9000 30000 20000)\n")
        << QStringList({"-180.000000", "-85.051100", "-170.000000", "85.051100"}) << 85.0511 << -180.0 << 19;
}

void tst_MainWindow::startStateFromSettings()
{
    QFETCH(QByteArray, settingsFile);
    QFETCH(QStringList, leftBottomRightTop);
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(int, zoom);
    delete window;
    window = nullptr;
    const QString path = QSettings().fileName();
    QSettings().clear();
    if (!settingsFile.isEmpty()) {
        QSettings().sync();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(TestWorkDir::writeFile(path, settingsFile));
    }
    reopen();
    QCOMPARE(QStringList({field("leLeft")->text(), field("leBottom")->text(), field("leRight")->text(),
                          field("leTop")->text()}),
             leftBottomRightTop);
    Renderer* renderer = window->findChild<Visualization*>("visualization")->getRenderer();
    QCOMPARE(renderer->getCenter().lat, lat);
    QCOMPARE(renderer->getCenter().lon, lon);
    QCOMPARE(renderer->getZoom(), zoom);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    if (zoom == 16) {
        // Today's start: 950 x 600, centred and 40 pixels above the middle.
        QCOMPARE(window->size(), QSize(950, 600));
        QCOMPARE(window->pos(), QPoint((screen.right() - screen.left()) / 2 - 949 / 2,
                                       (screen.bottom() - screen.top()) / 2 - 599 / 2 - 40));
    } else {
        // Inside the screen, whatever frame the platform puts around it.
        QVERIFY2(screen.contains(window->pos()) && window->width() <= screen.width()
                     && window->height() <= screen.height(),
                 qPrintable(QString("%1,%2 %3x%4").arg(window->x()).arg(window->y()).arg(window->width()).arg(window->height())));
    }
}

// When no tile can be fetched the status bar says why, once, however many tiles fail.
void tst_MainWindow::tileFailureSaidOnce()
{
    delete window;
    window = nullptr;
    QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
    // A port nobody listens on: every connection is refused.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", port));
    // Watched from before the first failure can be told: that takes the event loop.
    window = new MainWindow;
    QSignalSpy messages(window->statusBar(), SIGNAL(messageChanged(QString)));
    window->show();
    const QString said = "Map tiles cannot be fetched: the connection was refused";
    QTRY_COMPARE(window->statusBar()->currentMessage(), said);
    // The map is asked to show other tiles, which cannot come either.
    window->findChild<Visualization*>("visualization")->getRenderer()->pan(QPoint(600, 0));
    server->useAsApplicationProxy();
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.first().first().toString(), said);
}

void tst_MainWindow::fieldTexts_data()
{
    QTest::addColumn<QRectF>("area");
    QTest::addColumn<QStringList>("leftBottomRightTop");
    QTest::newRow("negative") << BoundingBox(-74.0125, -33.75, -74, -33.5).toArea()
                              << QStringList({"-74.012500", "-33.750000", "-74.000000", "-33.500000"});
    QTest::newRow("degenerate") << BoundingBox(0, 0, 0, 0).toArea()
                                << QStringList({"0.000000", "0.000000", "0.000000", "0.000000"});
    QTest::newRow("world edge") << BoundingBox(-180, -85.0511, 180, 85.0511).toArea()
                                << QStringList({"-180.000000", "-85.051100", "180.000000", "85.051100"});
    QTest::newRow("rounded") << BoundingBox(16.1234567, 49.7499998, 16.1234568, 49.9999999).toArea()
                             << QStringList({"16.123457", "49.750000", "16.123457", "50.000000"});
}

void tst_MainWindow::fieldTexts()
{
    QFETCH(QRectF, area);
    QFETCH(QStringList, leftBottomRightTop);
    QVERIFY(QMetaObject::invokeMethod(window, "setNewLocRect", Q_ARG(QRectF, area)));
    QCOMPARE(QStringList({field("leLeft")->text(), field("leBottom")->text(), field("leRight")->text(),
                          field("leTop")->text()}),
             leftBottomRightTop);
}

void tst_MainWindow::fieldsFollowCornerDrag()
{
    auto* map = window->findChild<Visualization*>("visualization");
    Renderer* renderer = map->getRenderer();
    // Corner 4 is the south-east one (49.1978, 16.6102).
    const QPoint corner = renderer->geoToPixel(GeoPoint{49.1978, 16.6102});
    // The one piece of the selection after the drag, already on disk.
    QVERIFY(QDir().mkpath("data/download"));
    QVERIFY(TestWorkDir::writeFile("data/download/16.604-49.197-16.612-49.202.osm", "<osm>\n</osm>\n"));
    QTest::mousePress(map, Qt::LeftButton, Qt::NoModifier, corner);
    QStringList seen;
    for (int step = 1; step <= 3; ++step) {
        const QPoint to = corner + QPoint(20 * step, 10 * step);
        QMouseEvent move(QEvent::MouseMove, to, map->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(map, &move);
        seen << field("leRight")->text() + ' ' + field("leBottom")->text();
        const BoundingBox selection = BoundingBox::fromArea(map->getLocationRect());
        QCOMPARE(field("leRight")->text(), QString("%1").arg(selection.east(), 0, 'f', 6));
        QCOMPARE(field("leBottom")->text(), QString("%1").arg(selection.south(), 0, 'f', 6));
    }
    QTest::mouseRelease(map, Qt::LeftButton, Qt::NoModifier, corner + QPoint(60, 30));
    // The status line counts the pieces of the selection as it is after the drag.
    auto* status = window->statusBar()->findChild<QLabel*>("selectionStatus");
    QVERIFY(status);
    QTRY_COMPARE(status->text(), SelectionStatus::describe(map->getLocationRect()));
    QCOMPARE(status->text(), QString("1 piece: 1 on disk, 0 to download"));
    // Each move moved the fields; the north-west corner stayed.
    QCOMPARE(QSet<QString>(seen.begin(), seen.end()).size(), 3);
    QVERIFY(field("leRight")->text().toDouble() > 16.6102);
    QVERIFY(field("leBottom")->text().toDouble() < 49.1978);
    QCOMPARE(field("leTop")->text(), QString("49.201400"));
    QCOMPARE(field("leLeft")->text(), QString("16.604800"));
}

void tst_MainWindow::zoomKeys()
{
    Renderer* renderer = window->findChild<Visualization*>("visualization")->getRenderer();
    QCOMPARE(renderer->getZoom(), 16);
    QTest::keyClick(window, Qt::Key_Plus);
    QCOMPARE(renderer->getZoom(), 17);
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(window, Qt::Key_Plus);
    QCOMPARE(renderer->getZoom(), 19);
    QTest::keyClick(window, Qt::Key_A);
    QTest::keyClick(window, Qt::Key_Equal);
    QCOMPARE(renderer->getZoom(), 19);
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(window, Qt::Key_Minus);
    QCOMPARE(renderer->getZoom(), 2);
    QTest::keyClick(window, Qt::Key_Plus);
    QCOMPARE(renderer->getZoom(), 3);
}

void tst_MainWindow::about()
{
    ModalAnswer answer(QMessageBox::Ok);
    window->findChild<QAction*>("actionAbout")->trigger();
    QVERIFY(answer.seen);
    QCOMPARE(answer.title, QString("About"));
    QCOMPARE(answer.text, QString("Application downloads OpenStreetMap data for selected area, extracts informations "
                                  "usable by Dorvex such as nodes, ways, stops and routes which are then saved to new "
                                  "file."));
}

void tst_MainWindow::downloadSource()
{
    // The status line counts for the chosen source, and the choice outlives the window.
    auto* status = window->findChild<QLabel*>("selectionStatus");
    QTRY_COMPARE(status->text(), QString("1 piece: 0 on disk, 1 to download"));
    window->findChild<QAction*>("actionSourceOverpass")->trigger();
    QTRY_COMPARE(status->text(), QString("1 request"));
    QVERIFY(!window->findChild<QAction*>("actionSourceApi")->isChecked());
    QVERIFY(QDir().mkpath("data/download/overpass"));
    QVERIFY(TestWorkDir::writeFile("data/download/overpass/16.604-49.197-16.611-49.202.osm", "<osm>\n</osm>\n"));
    const QRectF twoTiles = BoundingBox(16.6048, 49.1014, 16.9048, 49.2014).toArea();
    window->findChild<Visualization*>("visualization")->selectArea(twoTiles, twoTiles);
    QTRY_COMPARE(status->text(), QString("2 requests"));

    delete window;
    window = new MainWindow;
    window->show();
    QVERIFY(window->findChild<QAction*>("actionSourceOverpass")->isChecked());
    // The selection outlives it too.
    QTRY_COMPARE(window->findChild<QLabel*>("selectionStatus")->text(), QString("2 requests"));
    const QRectF start(16.6048, 49.2014, 0.0054, -0.0036);
    window->findChild<Visualization*>("visualization")->selectArea(start, start);
    QTRY_COMPARE(window->findChild<QLabel*>("selectionStatus")->text(), QString("1 request: 1 on disk, 0 to download"));
}

void tst_MainWindow::manyRequestsAsked_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QRectF>("area");
    QTest::addColumn<QString>("question"); // empty: the run starts without one
    QTest::addColumn<bool>("starts");
    // 32 x 32 pieces: 1,024 requests to the API, 4 to Overpass.
    const QRectF large = BoundingBox(16.6001, 49.0001, 16.9199, 49.3199).toArea();
    QTest::newRow("API, 1,024 pieces") << "actionSourceApi" << large
                                       << "This area needs 1024 requests to the OpenStreetMap API, whose usage policy "
                                          "asks those who read much to take the data elsewhere. Overpass needs 4. "
                                          "Download anyway?"
                                       << false;
    QTest::newRow("API, 1,000 pieces") << "actionSourceApi" << BoundingBox(16.6001, 49.0001, 16.8499, 49.3999).toArea()
                                       << QString() << true;
    QTest::newRow("Overpass, 4 tiles") << "actionSourceOverpass" << large << QString() << true;
    // 37,6,55,8 for 37.6,55.8: 72 x 8 tiles of 0.25 degree.
    QTest::newRow("Overpass, 576 tiles") << "actionSourceOverpass"
                                         << BoundingBox(37.0001, 6.0001, 54.9999, 7.9999).toArea()
                                         << "This area needs 576 requests to the Overpass API, more than the 500 that "
                                            "a public instance allows one user in a day (about 10,000 queries and 1 "
                                            "GB). Download anyway?"
                                         << false;
    QTest::newRow("Overpass, 500 tiles") << "actionSourceOverpass"
                                         << BoundingBox(0.0001, 0.0001, 6.2499, 4.9999).toArea() << QString() << true;
    QTest::newRow("no width") << "actionSourceApi" << BoundingBox(16.6051, 49.1978, 16.6051, 49.2014).toArea()
                              << QString() << false;
}

void tst_MainWindow::manyRequestsAsked()
{
    // Before a run would ask its source for more than its usage policy allows, the user is
    // asked; No (the default) starts nothing. A selection without area starts nothing at all.
    QFETCH(QString, source);
    QFETCH(QRectF, area);
    QFETCH(QString, question);
    QFETCH(bool, starts);
    window->findChild<QAction*>(source)->trigger();
    window->findChild<Visualization*>("visualization")->selectArea(area, area);
    std::unique_ptr<ModalAnswer> no(new ModalAnswer(QMessageBox::No));
    QTest::mouseClick(window->findChild<QPushButton*>("btnStartDownload"), Qt::LeftButton);
    QCOMPARE(no->seen, !question.isEmpty());
    if (!starts) {
        if (no->seen) {
            QCOMPARE(no->title, QString(source == "actionSourceApi" ? "Download from the OpenStreetMap API"
                                                                     : "Download from the Overpass API"));
            QCOMPARE(no->text, question);
            QCOMPARE(no->defaultButton, QMessageBox::No);
        } else {
            QCOMPARE(window->findChild<QStatusBar*>()->currentMessage(),
                     QString("The selection has no area: nothing to download"));
        }
        QVERIFY(window->findChildren<DownloadWindow*>().isEmpty());
        return;
    }
    no.reset();
    const QList<DownloadWindow*> windows = window->findChildren<DownloadWindow*>();
    QCOMPARE(windows.size(), 1);
    // The run started; closing it at once asks, and Yes ends it.
    ModalAnswer yes(QMessageBox::Yes);
    windows.first()->close();
    QTRY_VERIFY(window->findChildren<DownloadWindow*>().isEmpty());
}

namespace {

const QString fixtures = QStringLiteral(PELAGOR_SOURCE_DIR "/tests/data/moscow-selection");
// The area of the fixtures' pieces, as an extract of it would name it in its header.
const QString fixturesBox = QStringLiteral("37.585,55.806,37.622,55.823");

QRectF fixturesArea()
{
    BoundingBox box;
    BoundingBox::fromText(fixturesBox, box);
    return box.toArea();
}

// Runs a program to its end; its standard error, or why it failed, when it did not exit with 0.
QString runProgram(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString("%1 %2: %3").arg(program, arguments.join(' '), QString::fromUtf8(process.readAllStandardError()));
    return QString();
}

// An extract of the fixtures as the usual tools make one: the pieces merged, then cut to their
// area with the area in the header.
QString makeExtract(const QString& path)
{
    QStringList pieces;
    for (const QString& name : QDir(fixtures).entryList({"*.osm"}, QDir::Files, QDir::Name))
        pieces << fixtures + '/' + name;
    const QString merged = QFileInfo(path).dir().filePath("merged.osm");
    const QString problem = runProgram("osmium", QStringList{"merge", "-O", "-o", merged} + pieces);
    if (!problem.isEmpty())
        return problem;
    return runProgram("osmium", {"extract", "--set-bounds", "-b", fixturesBox, "-s", "complete_ways", "-O", "-o", path,
                                 merged});
}

QString boxText(const QRectF& area)
{
    const auto number = [](double value) { return QString::number(value, 'g', 17); };
    const BoundingBox box = BoundingBox::fromArea(area);
    return QString("%1,%2,%3,%4").arg(number(box.west()), number(box.south()), number(box.east()), number(box.north()));
}

} // namespace

bool tst_MainWindow::chooseInFileDialog(QAction* action, const QString& path)
{
    // The dialog runs its own event loop inside trigger(); it is answered from there.
    bool seen = false;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, [&poll, &seen, path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen = dialog->objectName() == "extractFileDialog" && dialog->fileMode() == QFileDialog::ExistingFile;
        // Typed as a user would type it: the dialog lists its folder in a thread of its own, and
        // a file picked from the list before that is done may be dropped again.
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        if (!name)
            return;
        name->setText(path);
        if (dialog->selectedFiles() != QStringList{path})
            return;
        poll.stop();
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    poll.start();
    action->trigger();
    return seen;
}

void tst_MainWindow::extractFromMenu_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("headerBox");
    QTest::newRow("pbf") << "extract.osm.pbf" << true;
    QTest::newRow("gzip xml") << "extract.osm.gz" << false;
}

// "Extract from a file..." reads the chosen file clipped to the selection in a download
// window, with its log and its progress by bytes read, and writes the network that
// pelagor-extract --bbox writes for the same file and box.
void tst_MainWindow::extractFromMenu()
{
    QFETCH(QString, name);
    QFETCH(bool, headerBox);
    QVERIFY(QDir().mkdir("in"));
    const QString path = QDir::current().absoluteFilePath("in/" + name);
    QCOMPARE(makeExtract(path), QString());
    auto* map = window->findChild<Visualization*>("visualization");
    // Two of the eight pieces.
    const QRectF twoPieces = BoundingBox(37.595, 55.806, 37.615, 55.816).toArea();
    map->selectArea(twoPieces, twoPieces);
    QVERIFY(chooseInFileDialog(window->findChild<QAction*>("actionExtractFromFile"), path));
    QCOMPARE(map->getFileArea(), headerBox ? fixturesArea() : QRectF());
    const QList<DownloadWindow*> windows = window->findChildren<DownloadWindow*>();
    QCOMPARE(windows.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!windows.first()->isProcessing(), 120000);
    const QString log = windows.first()->findChild<QTextEdit*>("teLog")->toPlainText();
    QVERIFY2(log.startsWith(QString("Processing file: \"%1\"... OK\nCreating output file: \"./data/comp/").arg(path)),
             qPrintable(log));
    QCOMPARE(windows.first()->findChild<QProgressBar*>("progressBar")->value(), 100);
    const QStringList networks = QDir("data/comp").entryList(QDir::Files);
    QCOMPARE(networks.size(), 1);
    QCOMPARE(runProgram(PELAGOR_BINARY_DIR "/tools/pelagor-extract",
                        {"--bbox", boxText(map->getLocationRect()), "-o", "cli.osm", path}),
             QString());
    const QByteArray network = TestWorkDir::readFile("data/comp/" + networks.first());
    QVERIFY(network.contains("<way "));
    QCOMPARE(network, TestWorkDir::readFile("cli.osm"));
    windows.first()->close();
    QTRY_VERIFY(window->findChildren<DownloadWindow*>().isEmpty());
    QCOMPARE(map->getFileArea(), QRectF());
}

// A file dropped on the map is taken like one chosen from the menu; when its header tells
// that the selection lies outside its area, the status bar says so and nothing is read.
void tst_MainWindow::dropOutsideFileArea()
{
    QVERIFY(QDir().mkdir("in"));
    const QString path = QDir::current().absoluteFilePath("in/extract.osm.pbf");
    QCOMPARE(makeExtract(path), QString());
    auto* map = window->findChild<Visualization*>("visualization");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    const QPoint middle = map->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(map, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(middle, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(map, &drop);
    QVERIFY(drop.isAccepted());
    // The selection at start lies in Brno, the extract in Moscow.
    QCOMPARE(window->statusBar()->currentMessage(), QString("The selection is outside the file's area"));
    QCOMPARE(map->getFileArea(), fixturesArea());
    QVERIFY(window->findChildren<DownloadWindow*>().isEmpty());
    QVERIFY(!QDir("data/comp").exists());
}

void tst_MainWindow::networkFileFor()
{
    // The choices outlive the window, and the next run writes its file for other tools with the
    // roads that routes use.
    window->findChild<QAction*>("actionFormatOsm")->trigger();
    window->findChild<QAction*>("actionKeepRouteRoads")->trigger();
    QVERIFY(!window->findChild<QAction*>("actionFormatDorvex")->isChecked());
    // The selection's one piece is on disk already: the run asks for nothing.
    QVERIFY(QDir().mkpath("data/download"));
    QVERIFY(TestWorkDir::writeFile("data/download/16.604-49.197-16.611-49.202.osm", R"(<osm version="0.6">
 <node id="1" version="2" lat="49.2" lon="16.605"/>
 <node id="2" version="5" lat="49.2" lon="16.606"/>
 <node id="3" version="1" lat="49.2" lon="16.607"/>
 <way id="7" version="3"><nd ref="1"/><nd ref="2"/><tag k="highway" v="residential"/><tag k="name" v="Dlouhá"/></way>
 <way id="8" version="1"><nd ref="2"/><nd ref="3"/><tag k="highway" v="service"/><tag k="psv" v="yes"/></way>
 <relation id="9" version="1"><member type="way" ref="7" role=""/><member type="way" ref="8" role=""/><tag k="route" v="bus"/><tag k="type" v="route"/></relation>
</osm>
)"));
    delete window;
    window = new MainWindow;
    window->show();
    QVERIFY(window->findChild<QAction*>("actionFormatOsm")->isChecked());
    QVERIFY(window->findChild<QAction*>("actionKeepRouteRoads")->isChecked());
    QTRY_COMPARE(window->findChild<QLabel*>("selectionStatus")->text(), QString("1 piece: 1 on disk, 0 to download"));
    QTest::mouseClick(window->findChild<QPushButton*>("btnStartDownload"), Qt::LeftButton);
    const QList<DownloadWindow*> runs = window->findChildren<DownloadWindow*>();
    QCOMPARE(runs.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!runs.first()->isProcessing(), 60000);
    QVERIFY(runs.first()->findChild<QTextEdit*>("teLog")->toPlainText().endsWith(
        "    Ways kept as roads that routes use: 1\n"
        "    Format: OpenStreetMap XML for other tools, sorted by type and id\n"));
    const QStringList files = QDir("data/comp").entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    const QByteArray network = TestWorkDir::readFile("data/comp/" + files.first());
    QVERIFY2(network.contains("<bounds minlat=\"49.1970000\" minlon=\"16.6040000\" maxlat=\"49.2020000\" "
                              "maxlon=\"16.6110000\"/>\n <node id=\"1\" version=\"2\""),
             network.constData());
    QVERIFY(network.contains("<tag k=\"name\" v=\"Dlouhá\"/>"));
    QVERIFY(network.contains("<way id=\"8\" version=\"1\">\n  <nd ref=\"2\"/>\n  <nd ref=\"3\"/>"));
    runs.first()->close();
    QTRY_VERIFY(window->findChildren<DownloadWindow*>().isEmpty());
}

QTEST_MAIN(tst_MainWindow)
#include "tst_MainWindow.moc"
