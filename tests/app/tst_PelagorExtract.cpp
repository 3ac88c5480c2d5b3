#include "tests/support/ExpectedLog.h"
#include "tests/support/OsmiumCheck.h"
#include "tests/support/TestWorkDir.h"

#include <QProcess>
#include <QtTest>

// pelagor-extract end to end, as a separate process: exit status, what it prints,
// and the network file it leaves (or does not leave) behind.
using namespace ExpectedLog;

class tst_PelagorExtract : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void usage_data();
    void usage();
    void version();
    void badBbox_data();
    void badBbox();
    void bboxOption();
    void pieceFilesAndFolder();
    void nothingRead_data();
    void nothingRead();
    void neverOverwrites();
    void outputCannotBeOpened();
    void diskFullLeavesNoPartialFile();

private:
    struct Run
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };
    Run run(const QStringList& arguments, const QString& shellPrefix = QString());
    QStringList comp() const;

    TestWorkDir* work = nullptr;
};

namespace {
const QString program = QStringLiteral(PELAGOR_BINARY_DIR "/app/pelagor-extract");
}

void tst_PelagorExtract::init()
{
    work = new TestWorkDir;
    QVERIFY(work->isValid());
}

void tst_PelagorExtract::cleanup()
{
    delete work;
    work = nullptr;
}

tst_PelagorExtract::Run tst_PelagorExtract::run(const QStringList& arguments, const QString& shellPrefix)
{
    QProcess process;
    if (shellPrefix.isEmpty()) {
        process.start(program, arguments);
    } else {
        QStringList quoted;
        for (const QString& a : QStringList(program) + arguments)
            quoted << "'" + a + "'";
        process.start("/bin/sh", {"-c", shellPrefix + " exec " + quoted.join(' ')});
    }
    Run r;
    if (!process.waitForFinished(60000))
        return r;
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}

QStringList tst_PelagorExtract::comp() const
{
    return QDir("data/comp").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

void tst_PelagorExtract::usage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("onStdout");
    QTest::newRow("no path") << QStringList() << 2 << false;
    QTest::newRow("help") << QStringList{"--help"} << 0 << true;
    QTest::newRow("only the end of options") << QStringList{"--"} << 2 << false;
}

void tst_PelagorExtract::usage()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(bool, onStdout);
    const Run r = run(arguments);
    QCOMPARE(r.exitCode, exitCode);
    const QByteArray& text = onStdout ? r.out : r.err;
    QVERIFY2(text.startsWith("Usage: pelagor-extract PATH...\n"), text.constData());
    QVERIFY((onStdout ? r.err : r.out).isEmpty());
    QVERIFY(!QDir("data").exists());
}

void tst_PelagorExtract::version()
{
    // PELAGOR_VERSION is the project version, handed to this test as to the program.
    const Run r = run({"--version"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("pelagor-extract " PELAGOR_VERSION "\n"));
    QVERIFY(r.err.isEmpty());
    QVERIFY(!QDir("data").exists());
}

void tst_PelagorExtract::badBbox_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("line");
    const QString piece = TestWorkDir::testData("moscow-selection/37.585-55.806-37.595-55.816.osm");
    const QString four = "four numbers W,S,E,N expected";
    QTest::newRow("no text") << QStringList{"--bbox"} << "\"\": " + four;
    QTest::newRow("three numbers") << QStringList{"--bbox", "37.5,55.8,37.6", piece} << "\"37.5,55.8,37.6\": " + four;
    QTest::newRow("five numbers") << QStringList{"--bbox=1,2,3,4,5", piece} << "\"1,2,3,4,5\": " + four;
    QTest::newRow("not a number") << QStringList{"--bbox", "37.5,north,37.6,55.9", piece}
                                  << "\"37.5,north,37.6,55.9\": \"north\" is not a number";
    QTest::newRow("decimal commas") << QStringList{"--bbox", "37,5;55,8;37,6;55,9", piece}
                                    << "\"37,5;55,8;37,6;55,9\": " + four;
    QTest::newRow("west east of east") << QStringList{"--bbox", "37.6,55.8,37.5,55.9", piece}
                                       << "\"37.6,55.8,37.5,55.9\": west is east of east";
    QTest::newRow("south north of north") << QStringList{"--bbox", "37.5,55.9,37.6,55.8", piece}
                                          << "\"37.5,55.9,37.6,55.8\": south is north of north";
    QTest::newRow("beyond the pole") << QStringList{"--bbox", "37.5,55.8,37.6,90.5", piece}
                                     << "\"37.5,55.8,37.6,90.5\": latitudes must lie between -90 and 90";
    QTest::newRow("beyond the date line") << QStringList{"--bbox", "179,0,181,1", piece}
                                          << "\"179,0,181,1\": longitudes must lie between -180 and 180";
    QTest::newRow("not finite") << QStringList{"--bbox", "-inf,0,1,1", piece}
                                << "\"-inf,0,1,1\": longitudes must lie between -180 and 180";
}

// A bad box is a usage error: one line on the standard error stream, nothing read,
// nothing written.
void tst_PelagorExtract::badBbox()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, line);
    const Run r = run(arguments);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(QString::fromUtf8(r.err), "pelagor-extract: bad --bbox " + line + "\n");
    QCOMPARE(r.out, QByteArray());
    QVERIFY(!QDir("data").exists());
}

// Both spellings of the option clip the file the same way (what the clip keeps is
// checked in detail by tst_Extracts).
void tst_PelagorExtract::bboxOption()
{
    const QString piece = TestWorkDir::testData("moscow-selection/37.615-55.816-37.622-55.823.osm");
    // The western half of the piece.
    const QString bbox = "37.615,55.816,37.6185,55.823";
    QByteArray networks[3];
    int wayCounts[3];
    const QStringList arguments[3] = {{piece}, {"--bbox", bbox, piece}, {"--bbox=" + bbox, "--", piece}};
    for (int i = 0; i < 3; ++i) {
        const Run r = run(arguments[i]);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(comp().size(), 1);
        networks[i] = TestWorkDir::readFile("data/comp/" + comp().first());
        QVERIFY(QFile::remove("data/comp/" + comp().first()));
        const QString out = QString::fromUtf8(r.out);
        QVERIFY2(out.startsWith(processingLine(piece) + "Creating output file: "),
                 r.out.constData());
        wayCounts[i] = QRegularExpression("Way count: (\\d+)\n").match(out).captured(1).toInt();
    }
    QCOMPARE(wayCounts[0], 22);
    QVERIFY2(wayCounts[1] > 0 && wayCounts[1] < 22, qPrintable(QString::number(wayCounts[1])));
    QCOMPARE(networks[2], networks[1]);
}

void tst_PelagorExtract::pieceFilesAndFolder()
{
    // A fresh folder without data/: the program makes it.
    const QString pieces = TestWorkDir::testData("moscow-selection");
    const QString single = pieces + "/37.615-55.816-37.622-55.823.osm";
    QVERIFY(TestWorkDir::writeFile("broken.osm", "<osm><node id=\"1\" lat=\"x\" lon=\"1\"/>"));
    const Run r = run({single, "missing.osm", "broken.osm", pieces});
    // Written, but two of the inputs failed.
    QCOMPARE(r.exitCode, 3);
    QCOMPARE(comp().size(), 1);
    const QString path = "./data/comp/" + comp().first();

    QString expected = processingLine(single) + processingLine("missing.osm", false)
        + processingStart("broken.osm") + "Premature end of document.\n" + readOk() + dirStart(pieces);
    for (const QString& name : QDir(pieces).entryList({"*.osm"}, QDir::Files, QDir::Name | QDir::IgnoreCase))
        expected += processingLine(pieces + '/' + name);
    expected += dirSummary(144, 767, 33, 14, 71) + creating(path) + summary(767, 33, 14, 144, 71);
    QCOMPARE(QString::fromUtf8(r.out), expected);
    QCOMPARE(QString::fromUtf8(r.err), QString("pelagor-extract: \"missing.osm\": cannot be opened\n"
                                               "OSMParser: Conversion failed lat: x\n"
                                               "pelagor-extract: \"broken.osm\": Premature end of document.\n"));
    QVERIFY2(path.endsWith("-incomplete.osm"), qPrintable(path));
    const QByteArray content = TestWorkDir::readFile(path);
    QVERIFY(content.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<osm version=\"0.6\" generator=\"Pelagor\">\n <node "));
    QVERIFY(content.endsWith("</osm>\n"));
    QCOMPARE(OsmiumCheck::readProblems(path), QString());
}

void tst_PelagorExtract::nothingRead_data()
{
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("err");
    QTest::newRow("a missing input") << QStringList{"missing.osm"}
                                     << "pelagor-extract: \"missing.osm\": cannot be opened\n";
    QTest::newRow("an empty folder") << QStringList{"empty"}
                                     << "pelagor-extract: \"empty\": no .osm file in the folder\n";
    QTest::newRow("only inputs that fail")
        << QStringList{"cut.osm", "text.osm.gz", "empty"}
        << "pelagor-extract: \"cut.osm\": Premature end of document.\n"
           "pelagor-extract: \"text.osm.gz\": cannot be opened\n"
           "pelagor-extract: \"empty\": no .osm file in the folder\n";
}

// When no input could be read, nothing is written and the exit status says so; each input
// that failed is named.
void tst_PelagorExtract::nothingRead()
{
    QFETCH(QStringList, inputs);
    QFETCH(QString, err);
    QVERIFY(QDir().mkdir("empty"));
    QVERIFY(TestWorkDir::writeFile("cut.osm", "<osm version=\"0.6\">\n <node id=\"1\" lat=\"55.8\" lon="));
    QVERIFY(TestWorkDir::writeFile("text.osm.gz", "not compressed\n"));
    const Run r = run(inputs);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(QString::fromUtf8(r.err), err);
    QVERIFY(!r.out.contains("Creating output file"));
    QVERIFY(!QDir("data").exists());
}

void tst_PelagorExtract::neverOverwrites()
{
    // Network files under every name of the coming seconds, as runs of a moment ago would have
    // left: the run takes the next free name beside the one of its second.
    QVERIFY(QDir().mkpath("data/comp"));
    const QDateTime now = QDateTime::currentDateTime();
    QStringList earlier;
    for (int s = -1; s < 30; ++s)
        earlier << now.addSecs(s).toString("yyyy-MM-dd_hh-mm-ss") + ".osm";
    for (const QString& name : earlier)
        QVERIFY(TestWorkDir::writeFile("data/comp/" + name, "an earlier network\n"));
    const Run r = run({TestWorkDir::testData("moscow-selection/37.585-55.806-37.595-55.816.osm")});
    QCOMPARE(r.exitCode, 0);
    const QString written = QRegularExpression("Creating output file: \"\\./data/comp/([^\"]+)\"")
                                .match(QString::fromUtf8(r.out))
                                .captured(1);
    QVERIFY2(earlier.contains(written.chopped(6) + ".osm") && written.endsWith("-2.osm"), qPrintable(written));
    QCOMPARE(comp().size(), earlier.size() + 1);
    for (const QString& name : earlier)
        QCOMPARE(TestWorkDir::readFile("data/comp/" + name), QByteArray("an earlier network\n"));
    QCOMPARE(OsmiumCheck::readProblems("data/comp/" + written), QString());
}

void tst_PelagorExtract::outputCannotBeOpened()
{
    QVERIFY(QDir().mkdir("data"));
    QVERIFY(TestWorkDir::writeFile("data/comp", "in the way"));
    const Run r = run({TestWorkDir::testData("moscow-selection/37.585-55.806-37.595-55.816.osm")});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(QRegularExpression("Could not open \"\\./data/comp/[0-9_-]+\\.osm\" for writting!\\n$")
                 .match(QString::fromUtf8(r.out))
                 .hasMatch(),
             r.out.constData());
    QVERIFY(!r.out.contains("Node count"));
    QCOMPARE(TestWorkDir::readFile("data/comp"), QByteArray("in the way"));
}

void tst_PelagorExtract::diskFullLeavesNoPartialFile()
{
    // The whole network of the sample area is about 200 KiB; a file size limit of
    // 64 KiB makes the write fail part-way. SIGXFSZ is ignored so that the write
    // returns an error instead of killing the process.
    QVERIFY(QDir().mkpath("data/comp"));
    QVERIFY(TestWorkDir::writeFile("data/comp/earlier.osm", "a network written before"));
    const Run r = run({TestWorkDir::testData("moscow-selection")}, "trap '' XFSZ; ulimit -f 128;");
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(QRegularExpression("Creating output file: \"(\\./data/comp/[0-9_-]+\\.osm)\"\\.\\.\\. "
                                "Error while writing to file: \\1\\n$")
                 .match(QString::fromUtf8(r.out))
                 .hasMatch(),
             r.out.constData());
    QVERIFY(!r.out.contains("    Way count: 144\n    Route count: 71\n    "));
    QCOMPARE(comp(), QStringList{"earlier.osm"});
    QCOMPARE(TestWorkDir::readFile("data/comp/earlier.osm"), QByteArray("a network written before"));
}

QTEST_GUILESS_MAIN(tst_PelagorExtract)
#include "tst_PelagorExtract.moc"
