#include "app/DownloadWindow.h"
#include "app/MainWindow.h"
#include "app/SelectionStatus.h"
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
#include <QTextEdit>
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
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("frameControl") << "frameControl" << "QFrame" << "visualization" << QRect(0, 0, 171, 151);
    QTest::newRow("btnStartDownload") << "btnStartDownload" << "QPushButton" << "frameControl"
                                      << QRect(10, 100, 151, 41);
    QTest::newRow("leRight") << "leRight" << "QLineEdit" << "frameControl" << QRect(90, 40, 71, 20);
    QTest::newRow("leBottom") << "leBottom" << "QLineEdit" << "frameControl" << QRect(50, 70, 71, 20);
    QTest::newRow("leTop") << "leTop" << "QLineEdit" << "frameControl" << QRect(50, 10, 71, 20);
    QTest::newRow("leLeft") << "leLeft" << "QLineEdit" << "frameControl" << QRect(10, 40, 71, 20);
    QTest::newRow("visualization") << "visualization" << "Visualization" << "centralWidget" << QRect();
}

void tst_MainWindow::widgetTree()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    QFETCH(QRect, geometry);
    auto* widget = window->findChild<QWidget*>(name);
    QVERIFY(widget);
    QCOMPARE(QString(widget->metaObject()->className()), className);
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    if (!geometry.isNull())
        QCOMPARE(widget->geometry(), geometry);
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
    QCOMPARE(actions.size(), 8);
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
    QVERIFY(actions[4]->isSeparator());
    QCOMPARE(actions[5]->objectName(), QString("actionAbout"));
    QCOMPARE(actions[5]->text(), QString("About"));
    QVERIFY(actions[6]->isSeparator());
    QCOMPARE(actions[7]->objectName(), QString("actionExit"));
    QCOMPARE(actions[7]->text(), QString("Exit"));
    QVERIFY(!actions[0]->isCheckable() && !actions[2]->isCheckable() && !actions[5]->isCheckable()
            && !actions[7]->isCheckable());
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

    actions[7]->trigger();
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

void tst_MainWindow::fieldTexts_data()
{
    QTest::addColumn<QRectF>("area");
    QTest::addColumn<QStringList>("leftBottomRightTop");
    QTest::newRow("negative") << QRectF(-74.0125, -33.5, 0.0125, -0.25)
                              << QStringList({"-74.012500", "-33.750000", "-74.000000", "-33.500000"});
    QTest::newRow("degenerate") << QRectF(0, 0, 0, 0)
                                << QStringList({"0.000000", "0.000000", "0.000000", "0.000000"});
    QTest::newRow("world edge") << QRectF(-180, 85.0511, 360, -170.1022)
                                << QStringList({"-180.000000", "-85.051100", "180.000000", "85.051100"});
    QTest::newRow("rounded") << QRectF(16.1234567, 49.9999999, 0.0000001, -0.2500001)
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
        const QRectF selection = map->getLocationRect();
        QCOMPARE(field("leRight")->text(), QString("%1").arg(selection.right(), 0, 'f', 6));
        QCOMPARE(field("leBottom")->text(), QString("%1").arg(selection.y() + selection.height(), 0, 'f', 6));
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
    const QRectF twoTiles(16.6048, 49.2014, 0.3, -0.1);
    window->findChild<Visualization*>("visualization")->selectArea(twoTiles, twoTiles);
    QTRY_COMPARE(status->text(), QString("2 requests"));

    delete window;
    window = new MainWindow;
    window->show();
    QVERIFY(window->findChild<QAction*>("actionSourceOverpass")->isChecked());
    QTRY_COMPARE(window->findChild<QLabel*>("selectionStatus")->text(), QString("1 request: 1 on disk, 0 to download"));
}

void tst_MainWindow::manyRequestsAsked_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QRectF>("area");
    QTest::addColumn<QString>("question"); // empty: the run starts without one
    QTest::addColumn<bool>("starts");
    // 32 x 32 pieces: 1,024 requests to the API, 4 to Overpass.
    const QRectF large(16.6001, 49.3199, 0.3198, -0.3198);
    QTest::newRow("API, 1,024 pieces") << "actionSourceApi" << large
                                       << "This area needs 1024 requests to the OpenStreetMap API, whose usage policy "
                                          "asks those who read much to take the data elsewhere. Overpass needs 4. "
                                          "Download anyway?"
                                       << false;
    QTest::newRow("API, 1,000 pieces") << "actionSourceApi" << QRectF(16.6001, 49.3999, 0.2498, -0.3998) << QString()
                                       << true;
    QTest::newRow("Overpass, 4 tiles") << "actionSourceOverpass" << large << QString() << true;
    // 37,6,55,8 for 37.6,55.8: 72 x 8 tiles of 0.25 degree.
    QTest::newRow("Overpass, 576 tiles") << "actionSourceOverpass" << QRectF(37.0001, 7.9999, 17.9998, -1.9998)
                                         << "This area needs 576 requests to the Overpass API, more than the 500 that "
                                            "a public instance allows one user in a day (about 10,000 queries and 1 "
                                            "GB). Download anyway?"
                                         << false;
    QTest::newRow("Overpass, 500 tiles") << "actionSourceOverpass" << QRectF(0.0001, 4.9999, 6.2498, -4.9998)
                                         << QString() << true;
    QTest::newRow("no width") << "actionSourceApi" << QRectF(16.6051, 49.2014, 0, -0.0036) << QString() << false;
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
    return QString("%1,%2,%3,%4")
        .arg(number(area.left()), number(area.top() + area.height()), number(area.left() + area.width()),
             number(area.top()));
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
    map->selectArea(QRectF(37.595, 55.816, 0.02, -0.01), QRectF(37.595, 55.816, 0.02, -0.01));
    QVERIFY(chooseInFileDialog(window->findChild<QAction*>("actionExtractFromFile"), path));
    QCOMPARE(map->getFileArea(), headerBox ? QRectF(37.585, 55.823, 0.037, -0.017) : QRectF());
    const QList<DownloadWindow*> windows = window->findChildren<DownloadWindow*>();
    QCOMPARE(windows.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!windows.first()->isProcessing(), 120000);
    const QString log = windows.first()->findChild<QTextEdit*>("teLog")->toPlainText();
    QVERIFY2(log.startsWith(QString("Processing file: \"%1\"... OK\nCreating output file: \"./data/comp/").arg(path)),
             qPrintable(log));
    QCOMPARE(windows.first()->findChild<QProgressBar*>("progressBar")->value(), 100);
    const QStringList networks = QDir("data/comp").entryList(QDir::Files);
    QCOMPARE(networks.size(), 1);
    QCOMPARE(runProgram(PELAGOR_BINARY_DIR "/app/pelagor-extract",
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
    QCOMPARE(map->getFileArea(), QRectF(37.585, 55.823, 0.037, -0.017));
    QVERIFY(window->findChildren<DownloadWindow*>().isEmpty());
    QVERIFY(!QDir("data/comp").exists());
}

void tst_MainWindow::networkFileFor()
{
    // The choice outlives the window, and the next run writes its file for other tools.
    window->findChild<QAction*>("actionFormatOsm")->trigger();
    QVERIFY(!window->findChild<QAction*>("actionFormatDorvex")->isChecked());
    // The selection's one piece is on disk already: the run asks for nothing.
    QVERIFY(QDir().mkpath("data/download"));
    QVERIFY(TestWorkDir::writeFile("data/download/16.604-49.197-16.611-49.202.osm", R"(<osm version="0.6">
 <node id="1" version="2" lat="49.2" lon="16.605"/>
 <node id="2" version="5" lat="49.2" lon="16.606"/>
 <way id="7" version="3"><nd ref="1"/><nd ref="2"/><tag k="highway" v="residential"/><tag k="name" v="Dlouhá"/></way>
</osm>
)"));
    delete window;
    window = new MainWindow;
    window->show();
    QVERIFY(window->findChild<QAction*>("actionFormatOsm")->isChecked());
    QTRY_COMPARE(window->findChild<QLabel*>("selectionStatus")->text(), QString("1 piece: 1 on disk, 0 to download"));
    QTest::mouseClick(window->findChild<QPushButton*>("btnStartDownload"), Qt::LeftButton);
    const QList<DownloadWindow*> runs = window->findChildren<DownloadWindow*>();
    QCOMPARE(runs.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!runs.first()->isProcessing(), 60000);
    QVERIFY(runs.first()->findChild<QTextEdit*>("teLog")->toPlainText().endsWith(
        "    Format: OpenStreetMap XML for other tools, sorted by type and id\n"));
    const QStringList files = QDir("data/comp").entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    const QByteArray network = TestWorkDir::readFile("data/comp/" + files.first());
    QVERIFY2(network.contains("<bounds minlat=\"49.1970000\" minlon=\"16.6040000\" maxlat=\"49.2020000\" "
                              "maxlon=\"16.6110000\"/>\n <node id=\"1\" version=\"2\""),
             network.constData());
    QVERIFY(network.contains("<tag k=\"name\" v=\"Dlouhá\"/>"));
    runs.first()->close();
    QTRY_VERIFY(window->findChildren<DownloadWindow*>().isEmpty());
}

QTEST_MAIN(tst_MainWindow)
#include "tst_MainWindow.moc"
