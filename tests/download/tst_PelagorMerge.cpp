#include "download/Pelagor.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TestWorkDir.h"

#include <QtTest>

namespace {

const QString pieceFilter = "*?-*?-*?-*?.osm";

// A piece file as the API writes it, in three parts: the declaration with the <osm> line, the
// objects, and the end tag with its line end.
struct Piece
{
    QByteArray head;
    QByteArray body;
    QByteArray tail;
    QByteArray whole() const { return head + body + tail; }
};

Piece fixture(int id)
{
    const QByteArray n = QByteArray::number(id);
    return {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<osm version=\"0.6\" generator=\"fixture " + n + "\">\n",
            " <bounds minlat=\"0.00" + n + "\" minlon=\"0\" maxlat=\"0.01\" maxlon=\"0.01\"/>\n"
            " <node id=\"" + n + "\" lat=\"0.005\" lon=\"0.005\" version=\"1\">\n"
            "  <tag k=\"name\" v=\"Остановка " + n + "\"/>\n"
            " </node>\n",
            "</osm>\n"};
}

Piece realPiece(const QString& name)
{
    const QByteArray content = TestWorkDir::readFile(TestWorkDir::testData("moscow-selection/" + name));
    const int headEnd = content.indexOf('\n', content.indexOf('\n') + 1) + 1;
    const int tailStart = content.lastIndexOf("</osm>\n");
    return {content.left(headEnd), content.mid(headEnd, tailStart - headEnd), content.mid(tailStart)};
}

// The order in which the merge meets the files: the folder listing, unsorted.
QStringList listing()
{
    return QDir("data/download").entryList(QStringList{pieceFilter}, QDir::NoFilter, QDir::NoSort);
}

QStringList merged(const QSignalSpy& spy)
{
    QStringList result;
    for (const QList<QVariant>& args : spy)
        result << args.at(0).toString();
    return result;
}

// The standard error lines of a merge of these files into one output file.
QStringList mergeLines(const QStringList& names)
{
    QStringList lines;
    for (const QString& name : names)
        lines << "Pelagor: Compressed: data/download/" + name;
    return lines << "Pelagor: Compressed >>>> data/merge/merged0.osm"
                 << "Pelagor: Merge done!";
}

} // namespace

class tst_PelagorMerge : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void mergePieces_data();
    void mergePieces();
    void unreadableEntry_data();
    void unreadableEntry();
    void cutsWhereverTheTagsAre();
    void onlyPieceNamesMerged();
    void outputNotOpenable_data();
    void outputNotOpenable();

private:
    TestWorkDir* workDir = nullptr;
};

void tst_PelagorMerge::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void tst_PelagorMerge::init()
{
    workDir = new TestWorkDir;
    QVERIFY(workDir->isValid());
    QVERIFY(QDir().mkdir("data"));
}

void tst_PelagorMerge::cleanup()
{
    delete workDir;
    workDir = nullptr;
}

void tst_PelagorMerge::mergePieces_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("real");
    QTest::addColumn<bool>("earlierOutput");

    QTest::newRow("empty download folder") << 0 << false << false;
    QTest::newRow("one piece copied unchanged") << 1 << false << false;
    QTest::newRow("one real piece copied unchanged") << 1 << true << false;
    QTest::newRow("three pieces") << 3 << false << false;
    QTest::newRow("three real pieces") << 3 << true << false;
    QTest::newRow("earlier output replaced") << 3 << false << true;
}

void tst_PelagorMerge::mergePieces()
{
    QFETCH(int, count);
    QFETCH(bool, real);
    QFETCH(bool, earlierOutput);

    QVERIFY(QDir().mkdir("data/download"));
    const QStringList realNames = QDir(TestWorkDir::testData("moscow-selection")).entryList(QDir::Files, QDir::Name);
    QHash<QString, Piece> pieces;
    for (int i = 0; i < count; ++i) {
        const QString name = real ? realNames.at(i * 3) : QString("0.0%1-0-0.01-0.01.osm").arg(i + 1);
        pieces.insert(name, real ? realPiece(name) : fixture(i + 1));
        QVERIFY(TestWorkDir::writeFile("data/download/" + name, pieces[name].whole()));
    }
    if (earlierOutput) {
        QVERIFY(QDir().mkdir("data/merge"));
        QVERIFY(TestWorkDir::writeFile("data/merge/merged0.osm", QByteArray(100000, 'x')));
    }
    const QStringList order = listing();
    QCOMPARE(order.size(), count);

    // Each file after the first loses its header, each before the last its end tag.
    QByteArray expected;
    for (int i = 0; i < order.size(); ++i) {
        const Piece& piece = pieces[order[i]];
        expected += (i == 0 ? piece.head : QByteArray()) + piece.body + (i == order.size() - 1 ? piece.tail : QByteArray());
    }
    if (count == 1)
        QCOMPARE(expected, pieces.begin()->whole());

    Pelagor pelagor;
    QSignalSpy done(&pelagor, SIGNAL(fileMerged(QString)));
    StderrCapture err;
    pelagor.mergeFiles();

    QCOMPARE(err.lines(), mergeLines(order));
    QCOMPARE(merged(done), QStringList{"data/merge/merged0.osm"});
    const QByteArray output = TestWorkDir::readFile("data/merge/merged0.osm");
    QCOMPARE(output, expected);
    if (count > 0) {
        QCOMPARE(output.count("<?xml"), 1);
        QCOMPARE(output.count("<osm "), 1);
        QCOMPARE(output.count("</osm>"), 1);
    }
    QCOMPARE(QDir("data/merge").entryList(QDir::Files), QStringList{"merged0.osm"});
}

void tst_PelagorMerge::unreadableEntry_data()
{
    QTest::addColumn<int>("position");
    // Last: the file before it already lost its end tag, so the output has none.
    QTest::newRow("unreadable last") << 2;
    QTest::newRow("unreadable first: the next one keeps its header") << 0;
    QTest::newRow("unreadable in the middle") << 1;
}

void tst_PelagorMerge::unreadableEntry()
{
    QFETCH(int, position);
    const QHash<QString, Piece> pieces{{"0.001-0-0.01-0.01.osm", fixture(1)}, {"0.002-0-0.01-0.01.osm", fixture(2)}};

    // A folder named like a piece cannot be opened as a file. Where the listing puts it is up to
    // QDir and the file system, so names that sort before, between and after the files are
    // tried, each created at the wanted place, until one lists there.
    QString blocked;
    for (int i = 0; i < 300 && blocked.isEmpty(); ++i) {
        QVERIFY(QDir("data/download").removeRecursively());
        QVERIFY(QDir().mkdir("data/download"));
        const QStringList prefixes{"0.0000", "0.0015", "0.1"};
        const QString name = QString("%1%2-0-0.01-0.01.osm").arg(prefixes[i % 3]).arg(i / 3 + 1);
        QStringList created = pieces.keys();
        created.sort();
        created.insert(position, name);
        for (const QString& entry : created) {
            if (entry == name)
                QVERIFY(QDir().mkdir("data/download/" + name));
            else
                QVERIFY(TestWorkDir::writeFile("data/download/" + entry, pieces[entry].whole()));
        }
        if (listing().indexOf(name) == position)
            blocked = name;
    }
    if (blocked.isEmpty())
        QSKIP("no name found that the folder listing puts at this position");

    const QStringList order = listing();
    QStringList readable = order;
    readable.removeOne(blocked);
    QByteArray expected;
    for (int i = 0; i < readable.size(); ++i) {
        const Piece& piece = pieces[readable[i]];
        const bool lastListed = order.indexOf(readable[i]) == order.size() - 1;
        expected += (i == 0 ? piece.head : QByteArray()) + piece.body + (lastListed ? piece.tail : QByteArray());
    }

    Pelagor pelagor;
    QSignalSpy done(&pelagor, SIGNAL(fileMerged(QString)));
    StderrCapture err;
    pelagor.mergeFiles();

    const QByteArray output = TestWorkDir::readFile("data/merge/merged0.osm");
    QCOMPARE(output, expected);
    QCOMPARE(output.endsWith("</osm>\n"), position != 2);
    QCOMPARE(output.count("<?xml"), 1);
    QCOMPARE(err.lines(), mergeLines(readable));
    QCOMPARE(merged(done), QStringList{"data/merge/merged0.osm"});
}

void tst_PelagorMerge::cutsWhereverTheTagsAre()
{
    // Without a declaration the header cut reaches into the first element, and a file without an
    // end tag keeps its end.
    QVERIFY(QDir().mkdir("data/download"));
    const QHash<QString, QByteArray> content{
        {"1-1-1-1.osm", "<osm>\n <node id=\"1\"/>\n <node id=\"11\"/>\n"},
        {"2-2-2-2.osm", "<osm>\n <node id=\"2\"/>\n <node id=\"22\"/>\n"}};
    for (auto it = content.begin(); it != content.end(); ++it)
        QVERIFY(TestWorkDir::writeFile("data/download/" + it.key(), it.value()));
    const QStringList order = listing();
    QCOMPARE(order.size(), 2);
    const QByteArray second = order[1].left(1).toUtf8();

    Pelagor pelagor;
    StderrCapture err;
    pelagor.mergeFiles();
    QCOMPARE(TestWorkDir::readFile("data/merge/merged0.osm"),
             content[order[0]] + " <node id=\"" + second + second + "\"/>\n");
}

void tst_PelagorMerge::onlyPieceNamesMerged()
{
    QVERIFY(QDir().mkdir("data/download"));
    const Piece piece = fixture(7);
    QVERIFY(TestWorkDir::writeFile("data/download/0.007-0-0.01-0.01.osm", piece.whole()));
    for (const QString name : {"notes.txt", "a.osm", "1-2-3.osm", "-1-2-3.osm", "0.007-0-0.01-0.01.osm.part"})
        QVERIFY(TestWorkDir::writeFile("data/download/" + name, fixture(9).whole()));

    Pelagor pelagor;
    QSignalSpy done(&pelagor, SIGNAL(fileMerged(QString)));
    StderrCapture err;
    pelagor.mergeFiles();
    QCOMPARE(TestWorkDir::readFile("data/merge/merged0.osm"), piece.whole());
    QCOMPARE(err.lines(), mergeLines({"0.007-0-0.01-0.01.osm"}));
    QCOMPARE(done.count(), 1);
}

void tst_PelagorMerge::outputNotOpenable_data()
{
    QTest::addColumn<QString>("setup");
    QTest::newRow("a file where the merge folder belongs") << "file";
    // The merge folder is created one level deep only.
    QTest::newRow("no data folder") << "no data";
}

void tst_PelagorMerge::outputNotOpenable()
{
    QFETCH(QString, setup);
    QVERIFY(QDir().mkdir("data/download"));
    QVERIFY(TestWorkDir::writeFile("data/download/0.001-0-0.01-0.01.osm", fixture(1).whole()));
    if (setup == "file")
        QVERIFY(TestWorkDir::writeFile("data/merge", "not a folder"));
    else
        QVERIFY(QDir().rename("data", "elsewhere"));

    Pelagor pelagor;
    QSignalSpy done(&pelagor, SIGNAL(fileMerged(QString)));
    StderrCapture err;
    pelagor.mergeFiles();
    QCOMPARE(err.lines(), QStringList{"Pelagor: createFinalFile(): cannot open file: data/merge/merged0.osm"});
    QCOMPARE(done.count(), 0);
    QCOMPARE(QFileInfo::exists("data"), setup == "file");

    QFile* file = nullptr;
    QTextStream* stream = nullptr;
    QVERIFY(!pelagor.createFinalFile(file, stream, 4));
    QVERIFY(!file);
    QVERIFY(!stream);
}

QTEST_GUILESS_MAIN(tst_PelagorMerge)
#include "tst_PelagorMerge.moc"
