#include "extraction/OSMParser.h"
#include "network/OSMData.h"
#include "tests/support/ExpectedLog.h"
#include "tests/support/OsmiumCheck.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TestWorkDir.h"

#include <QElapsedTimer>
#include <QTextCodec>
#include <QtTest>
#include <bzlib.h>
#include <sys/resource.h>
#include <zlib.h>

// Broken and hostile input files: each is read and the network file written; the
// log and the standard error stream say exactly what the system defines, nothing
// crashes or hangs, memory stays bounded, and the network file is well-formed XML
// that osmium reads without error.
using namespace ExpectedLog;

class tst_HostileInput : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void documents_data();
    void documents();
    void coordinates_data();
    void coordinates();
    void hugeToken_data();
    void hugeToken();
    void directoryInsteadOfFile();
    void fileInsteadOfOutputFolder();

private:
    struct Run
    {
        QStringList messages;
        QStringList stderrLines;
        int done = 0;
        QByteArray network; // the network file's bytes
        QString osmiumProblems;
    };
    // Reads `paths`, writes the network file, and checks time and memory bounds.
    Run extract(const std::vector<QString>& paths, OSMData& data, long memoryBound = 300 * 1024);

    TestWorkDir* work = nullptr;
};

namespace {

// Generous even on a busy machine (and raised for the sanitizer build), far below what an
// unbounded expansion takes.
const qint64 timeBoundMs = 30000 * PELAGOR_TIME_FACTOR;
const int megabytes5 = 5 * 1024 * 1024;

QByteArray head()
{
    return "<?xml version='1.0' encoding='UTF-8'?>\n<osm version=\"0.6\">\n";
}

QByteArray doc(const QByteArray& body)
{
    return head() + body + "\n</osm>\n";
}

QByteArray tag(const QByteArray& k, const QByteArray& v)
{
    return "<tag k=\"" + k + "\" v=\"" + v + "\"/>";
}

QByteArray stop(const QByteArray& id, const QByteArray& name)
{
    return "<node id=\"" + id + "\" lat=\"55.8\" lon=\"37.6\">" + tag("highway", "bus_stop") + tag("name", name)
        + "</node>\n";
}

// A bus stop, two road nodes and a road: what every broken document carries before
// its fault, so that the test sees it kept.
QByteArray sound()
{
    return stop("1", "Start") + "<node id=\"2\" lat=\"55.81\" lon=\"37.61\"/>\n"
        + "<node id=\"3\" lat=\"55.82\" lon=\"37.62\"/>\n"
        + "<way id=\"10\"><nd ref=\"2\"/><nd ref=\"3\"/>" + tag("highway", "residential") + "</way>\n";
}

QByteArray route(const QByteArray& id, const QByteArray& member, const QByteArray& name = "Line")
{
    return "<relation id=\"" + id + "\"><member type=\"way\" ref=\"" + member + "\" role=\"\"/>"
        + "<member type=\"node\" ref=\"1\" role=\"stop\"/>" + tag("type", "route") + tag("route", "bus")
        + tag("name", name) + "</relation>\n";
}

QByteArray repeated(const QByteArray& text, int times)
{
    QByteArray result;
    result.reserve(text.size() * times);
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

QByteArray entities(const QByteArray& declarations)
{
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE osm [\n" + declarations + "]>\n<osm>\n";
}

QByteArray billionLaughs()
{
    QByteArray declarations = "<!ENTITY lol0 \"lol\">\n";
    for (int level = 1; level <= 9; ++level)
        declarations += "<!ENTITY lol" + QByteArray::number(level) + " \""
            + repeated("&lol" + QByteArray::number(level - 1) + ";", 10) + "\">\n";
    return declarations;
}

// One gzip member or bzip2 stream of `data`; a file may hold many one after the other.
QByteArray compressed(const QByteArray& data, bool bzip2)
{
    QByteArray out(data.size() + data.size() / 50 + 1024, '\0');
    if (bzip2) {
        unsigned int size = unsigned(out.size());
        if (BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(data.constData()), unsigned(data.size()), 9,
                                     0, 0)
            != BZ_OK)
            return QByteArray();
        return out.left(int(size));
    }
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return QByteArray();
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int result = deflate(&stream, Z_FINISH);
    deflateEnd(&stream);
    return result == Z_STREAM_END ? out.left(int(stream.total_out)) : QByteArray();
}

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QString onlyFile(const QString& folder)
{
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    return entries.size() == 1 ? folder + '/' + entries.first() : QString();
}

} // namespace

void tst_HostileInput::initTestCase()
{
    if (OsmiumCheck::program().isEmpty())
        QFAIL("osmium (Debian package osmium-tool) is not installed; scripts/install-deps installs it");
}

void tst_HostileInput::init()
{
    work = new TestWorkDir;
    QVERIFY(work->isValid());
    // The application's tile cache has made ./data/ by the time a network file is written.
    QVERIFY(QDir().mkdir("data"));
}

void tst_HostileInput::cleanup()
{
    delete work;
    work = nullptr;
}

tst_HostileInput::Run tst_HostileInput::extract(const std::vector<QString>& paths, OSMData& data, long memoryBoundKb)
{
    Run run;
    OSMParser parser;
    connect(&parser, &OSMParser::message, [&run](const QString& m) { run.messages << m; });
    connect(&parser, &OSMParser::processingDone, [&run] { ++run.done; });
    const long peakBefore = peakRssKb();
    QElapsedTimer timer;
    timer.start();
    {
        StderrCapture err;
        parser.parseFiles(paths, data);
        parser.writeOutputFile(data);
        run.stderrLines = err.lines();
    }
    const qint64 elapsed = timer.elapsed();
    const long growth = peakRssKb() - peakBefore;
    if (elapsed > timeBoundMs)
        QTest::qFail(qPrintable(QString("took %1 ms").arg(elapsed)), __FILE__, __LINE__);
    if (growth > memoryBoundKb)
        QTest::qFail(qPrintable(QString("peak memory grew by %1 KiB").arg(growth)), __FILE__, __LINE__);

    const QString network = onlyFile("data/comp");
    if (!network.isEmpty()) {
        run.network = TestWorkDir::readFile(network);
        run.osmiumProblems = OsmiumCheck::readProblems(network);
    }
    return run;
}

void tst_HostileInput::documents_data()
{
    QTest::addColumn<QByteArray>("content");
    // The reader's error text as the log shows it; empty when the file reads cleanly.
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("stderrLines");
    QTest::addColumn<int>("nodes");
    QTest::addColumn<int>("busStops");
    QTest::addColumn<int>("ways");
    QTest::addColumn<int>("routes");
    // A piece of the network file that shows how a value came through.
    QTest::addColumn<QByteArray>("written");

    const QString premature = "Premature end of document.";
    const QString badEncoding = "Encountered incorrectly encoded content.";
    const QString entityLimit = "Entity expands to more characters than the entity expansion limit.";
    const QStringList none;
    const QByteArray start = tag("name", "Start");

    // Truncated files: what was complete before the cut is kept.
    const QByteArray emptyRoot("<osm version=\"0.6\" generator=\"Pelagor\"/>");
    QTest::newRow("empty file") << QByteArray() << premature << none << 0 << 0 << 0 << 0 << emptyRoot;
    QTest::newRow("declaration only") << QByteArray("<?xml version='1.0' encoding='UTF-8'?>\n") << premature << none
                                      << 0 << 0 << 0 << 0 << emptyRoot;
    QTest::newRow("cut between elements") << head() + sound() << premature << none << 3 << 1 << 1 << 0 << start;
    QTest::newRow("cut inside a start tag") << head() + sound() + "<node id=\"4\" lat=\"1\" lo" << premature << none
                                            << 3 << 1 << 1 << 0 << start;
    QTest::newRow("cut inside a stop") << head() + sound() + "<node id=\"4\" lat=\"1\" lon=\"2\">"
                                              + tag("highway", "bus_stop")
                                       << premature << none << 3 << 1 << 1 << 0 << start;
    QTest::newRow("cut inside a way") << head() + sound() + "<way id=\"11\"><nd ref=\"2\"/><nd ref=\"3\"/>"
                                             + tag("highway", "primary")
                                      << premature << none << 3 << 1 << 1 << 0 << start;
    QTest::newRow("cut inside a route") << head() + sound() + route("20", "10").left(120) << premature << none << 3
                                        << 1 << 1 << 0 << start;
    QTest::newRow("cut inside a character") << head() + sound() + "<node id=\"4\" lat=\"1\" lon=\"2\">"
                                                   + "<tag k=\"name\" v=\"Hlavn\xc3"
                                            << premature << none << 3 << 1 << 1 << 0 << start;

    // Invalid UTF-8: Qt decodes a file a block at a time and reports a block with bad
    // bytes before reading any element of it, so in a small file nothing before the
    // bad bytes is kept; elements of earlier blocks are.
    const QByteArray badStop = "<node id=\"4\" lat=\"1\" lon=\"2\">" + tag("highway", "bus_stop");
    QTest::newRow("invalid byte") << doc(sound() + badStop + tag("name", "a\xff\xfe" "b") + "</node>") << badEncoding
                                  << none << 0 << 0 << 0 << 0 << emptyRoot;
    QTest::newRow("encoded surrogate") << doc(sound() + badStop + tag("name", "a\xed\xa0\x80" "b") + "</node>")
                                       << badEncoding << none << 0 << 0 << 0 << 0 << emptyRoot;
    QTest::newRow("overlong encoding") << doc(sound() + badStop + tag("name", "a\xc0\xaf" "b") + "</node>")
                                       << badEncoding << none << 0 << 0 << 0 << 0 << emptyRoot;
    QTest::newRow("Latin-1 without declaration") << doc(sound() + badStop + tag("name", "Caf\xe9") + "</node>")
                                                 << badEncoding << none << 0 << 0 << 0 << 0 << emptyRoot;
    QTest::newRow("invalid byte far behind")
        << doc(sound() + "<!--" + QByteArray(100000, '-').replace("--", "- ") + "-->" + badStop
               + tag("name", "a\xff" "b") + "</node>")
        << badEncoding << none << 3 << 1 << 1 << 0 << start;
    QTest::newRow("Latin-1 declared") << "<?xml version='1.0' encoding='ISO-8859-1'?>\n<osm>" + sound()
                                             + stop("4", "Caf\xe9") + "</osm>"
                                      << QString() << none << 4 << 2 << 1 << 0 << QByteArray("v=\"Caf\xc3\xa9\"");

    // Other encodings than UTF-8 and single-byte ones: the token guard cannot follow their bytes
    // (U+3E3C is the bytes "<>" in UTF-16LE), so such a file is not read at all.
    const auto wide = [](const QByteArray& utf8, const char* codec) {
        return QByteArray(QTextCodec::codecForName(codec)->fromUnicode(QString::fromUtf8(utf8)));
    };
    const auto notRead = [=](const char* name, const QByteArray& content, const QString& reason) {
        QTest::newRow(name) << content << "The file is not read: " + reason + "."
                            << QStringList{"OSMParser: \"piece.osm\": not read: " + reason} << 0 << 0 << 0 << 0
                            << emptyRoot;
    };
    const QString only = ", and only UTF-8 and single-byte encodings are read";
    const QByteArray markup = QString(100000, QChar(0x3e3c)).toUtf8();
    notRead("UTF-16LE with a mark, text of \"<>\" bytes",
            wide(doc(sound() + stop("4", markup)), "UTF-16LE").prepend("\xff\xfe"), "it is in UTF-16LE" + only);
    notRead("UTF-16BE without a mark", wide(doc(sound()), "UTF-16BE"), "it is in UTF-16BE" + only);
    notRead("UTF-32LE without a mark", wide(doc(sound()), "UTF-32LE"), "it is in UTF-32LE" + only);
    notRead("UTF-16 declared on single bytes", "<?xml version='1.0' encoding=\"UTF-16\"?>\n<osm>" + sound() + "</osm>",
            "it declares the encoding UTF-16" + only);
    notRead("declaration longer than 4096 bytes",
            "<?xml version='1.0'" + QByteArray(5000, ' ') + "encoding='UTF-16'?>\n<osm>" + sound() + "</osm>",
            "its XML declaration is longer than 4096 bytes");
    QTest::newRow("UTF-8 with a mark") << doc(sound()).prepend("\xef\xbb\xbf") << QString() << none << 3 << 1 << 1
                                       << 0 << start;

    // NUL and other characters XML cannot carry.
    // Qt's text for a character that XML does not allow leaves the character out.
    const QString unexpected = "Unexpected ''.";
    QTest::newRow("NUL in a name") << doc(sound() + badStop + tag("name", QByteArray("a\0b", 3)) + "</node>")
                                   << unexpected << none << 3 << 1 << 1 << 0 << start;
    QTest::newRow("NUL between elements") << doc(sound() + QByteArray(1, '\0') + stop("4", "Late")) << unexpected
                                          << none << 3 << 1 << 1 << 0 << start;
    QTest::newRow("reference to NUL") << doc(sound() + badStop + tag("name", "a&#0;") + "</node>")
                                      << "Invalid character reference." << none << 3 << 1 << 1 << 0 << start;
    QTest::newRow("reference to a surrogate") << doc(sound() + badStop + tag("name", "a&#xD800;") + "</node>")
                                              << "Invalid character reference." << none << 3 << 1 << 1 << 0
                                              << start;
    QTest::newRow("control character") << doc(sound() + badStop + tag("name", "a\x01") + "</node>")
                                       << unexpected << none << 3 << 1 << 1 << 0 << start;
    QTest::newRow("escaped characters survive") << doc(sound() + stop("4", "&quot;&lt;&amp;&gt;&#9;&#10;"))
                                                << QString() << none << 4 << 2 << 1 << 0
                                                << QByteArray("v=\"&quot;&lt;&amp;&gt;&#9;&#10;\"");

    // Deep nesting: the reader keeps no recursion of its own.
    QTest::newRow("100000 levels around the network")
        << doc(repeated("<a>", 100000) + sound() + repeated("</a>", 100000)) << QString() << none << 3 << 1 << 1
        << 0 << start;
    QTest::newRow("100000 levels inside a stop")
        << doc(sound() + "<node id=\"4\" lat=\"1\" lon=\"2\">" + repeated("<x>", 100000) + tag("highway", "bus_stop")
               + repeated("</x>", 100000) + "</node>")
        << QString() << none << 4 << 2 << 1 << 0 << start;
    QTest::newRow("100000 levels never closed") << head() + sound() + repeated("<a>", 100000) << premature << none
                                                << 3 << 1 << 1 << 0 << start;

    // Entities: OpenStreetMap files declare none, and no declared entity may expand
    // at all, so neither nested (billion laughs) nor repeated references fill memory.
    QTest::newRow("billion laughs") << entities(billionLaughs()) + sound() + stop("4", "&lol9;") + "</osm>\n"
                                    << entityLimit << none << 3 << 1 << 1 << 0 << start;
    QTest::newRow("one entity referenced 100000 times")
        << entities("<!ENTITY a \"" + QByteArray(4000, 'x') + "\">\n") + sound() + stop("4", repeated("&a;", 100000))
               + "</osm>\n"
        << entityLimit << none << 3 << 1 << 1 << 0 << start;
    QTest::newRow("entity text between elements")
        << entities("<!ENTITY a \"" + QByteArray(4000, 'x') + "\">\n") + sound() + repeated("&a;", 100000) + "</osm>\n"
        << entityLimit << none << 3 << 1 << 1 << 0 << start;
    QTest::newRow("small entity") << entities("<!ENTITY s \"Stop\">\n") + sound() + stop("4", "&s;") + "</osm>\n"
                                  << entityLimit << none << 3 << 1 << 1 << 0 << start;
    QTest::newRow("self-referencing entity") << entities("<!ENTITY a \"x&b;\">\n<!ENTITY b \"y&a;\">\n") + sound()
                                                    + stop("4", "&a;") + "</osm>\n"
                                             << entityLimit << none << 3 << 1 << 1 << 0 << start;
    QTest::newRow("external entity") << entities("<!ENTITY x SYSTEM \"file:///etc/hostname\">\n") + sound()
                                            + stop("4", "&x;") + "</osm>\n"
                                     << "Reference to external entity 'x' in attribute value." << none << 3 << 1 << 1
                                     << 0 << start;
    QTest::newRow("undeclared entity") << doc(sound() + stop("4", "&nbsp;")) << "Entity 'nbsp' not declared."
                                       << none << 3 << 1 << 1 << 0 << start;

    // Values of megabytes. Names are kept whole in the network data; the network
    // file carries the first 255 characters, the most an OpenStreetMap tag value has.
    const QByteArray huge(megabytes5, 'x');
    QTest::newRow("5 MB stop name") << doc(sound() + stop("4", huge)) << QString() << none << 4 << 2 << 1 << 0
                                    << "v=\"" + QByteArray(255, 'x') + "\"";
    QTest::newRow("5 MB stop name of 4-byte characters")
        << doc(sound() + stop("4", repeated("\xf0\x9f\x9a\x8c", megabytes5 / 4))) << QString() << none << 4 << 2 << 1
        << 0 << "v=\"" + repeated("\xf0\x9f\x9a\x8c", 255) + "\"";
    QTest::newRow("5 MB route name") << doc(sound() + route("20", "10", huge)) << QString() << none << 3 << 1 << 1
                                     << 1 << "v=\"" + QByteArray(255, 'x') + "\"";
    QTest::newRow("5 MB of digits in a latitude")
        << doc(sound() + "<node id=\"4\" lat=\"55.8" + QByteArray(megabytes5, '0') + "\" lon=\"37.6\">"
               + tag("highway", "bus_stop") + "</node>")
        << QString() << none << 4 << 2 << 1 << 0 << QByteArray("<node id=\"4\" lat=\"55.8000000\" lon=\"37.6000000\">");
    QTest::newRow("5 MB number as a latitude")
        << doc(sound() + "<node id=\"4\" lat=\"1" + QByteArray(megabytes5, '0') + "\" lon=\"37.6\">"
               + tag("highway", "bus_stop") + "</node>")
        << QString() << QStringList{"OSMParser: Conversion failed lat: 1" + QString(megabytes5, '0')} << 3 << 1 << 1
        << 0 << start;
    QTest::newRow("5 MB attribute name") << doc(sound() + "<node id=\"4\" lat=\"1\" lon=\"2\" " + huge + "=\"1\"/>")
                                         << "Length of XML attribute name exceeds implementation limits (4KiB "
                                            "characters)."
                                         << none << 3 << 1 << 1 << 0 << start;
    QTest::newRow("5 MB of text in a stop")
        << doc(sound() + "<node id=\"4\" lat=\"1\" lon=\"2\">" + huge + tag("highway", "bus_stop") + "</node>")
        << QString() << none << 4 << 2 << 1 << 0 << start;

    // Ids: 64-bit numbers, but not the two extremes, which other OpenStreetMap
    // programs refuse as ids.
    const QByteArray beyond = "9223372036854775808";
    const QByteArray max = "9223372036854775807";
    const QByteArray min = "-9223372036854775808";
    QTest::newRow("node id beyond 64 bits") << doc(sound() + stop(beyond, "B")) << QString()
                                            << QStringList{"OSMParser: Conversion failed id: " + beyond} << 3 << 1
                                            << 1 << 0 << start;
    QTest::newRow("node id of 20 nines") << doc(sound() + stop("99999999999999999999", "B")) << QString()
                                         << QStringList{"OSMParser: Conversion failed id: 99999999999999999999"}
                                         << 3 << 1 << 1 << 0 << start;
    QTest::newRow("node id at the 64-bit maximum") << doc(sound() + stop(max, "B")) << QString()
                                                   << QStringList{"OSMParser: Conversion failed id: " + max} << 3
                                                   << 1 << 1 << 0 << start;
    QTest::newRow("node id at the 64-bit minimum") << doc(sound() + stop(min, "B")) << QString()
                                                   << QStringList{"OSMParser: Conversion failed id: " + min} << 3
                                                   << 1 << 1 << 0 << start;
    QTest::newRow("largest node id kept") << doc(sound() + stop("9223372036854775806", "B")) << QString() << none
                                          << 4 << 2 << 1 << 0 << QByteArray("<node id=\"9223372036854775806\"");
    QTest::newRow("way id beyond 64 bits")
        << doc(sound() + "<way id=\"" + beyond + "\"><nd ref=\"3\"/><nd ref=\"2\"/>" + tag("highway", "primary")
               + "</way>")
        << QString() << QStringList{"OSMParser: Conversion failed id: " + beyond} << 3 << 1 << 2 << 0
        << QByteArray("<way id=\"0\">");
    QTest::newRow("way id at the 64-bit minimum")
        << doc(sound() + "<way id=\"" + min + "\"><nd ref=\"3\"/><nd ref=\"2\"/>" + tag("highway", "primary")
               + "</way>")
        << QString() << QStringList{"OSMParser: Conversion failed id: " + min} << 3 << 1 << 2 << 0
        << QByteArray("<way id=\"0\">");
    // A reference that is no id is dropped: the way never gains a node 0 that is not its own.
    for (const QByteArray& ref : {beyond, max, QByteArray("abc"), QByteArray("")})
        QTest::addRow("node reference \"%s\"", ref.constData())
            << doc(sound() + "<way id=\"11\"><nd ref=\"3\"/><nd ref=\"" + ref + "\"/><nd ref=\"2\"/>"
                   + tag("highway", "primary") + "</way>")
            << QString() << QStringList{"OSMParser: Conversion failed ndRef: " + ref} << 3 << 1 << 2 << 0
            << QByteArray("<way id=\"11\">\n  <nd ref=\"3\"/>\n  <nd ref=\"2\"/>\n  <tag");
    QTest::newRow("relation id beyond 64 bits") << doc(sound() + route(beyond, "10")) << QString()
                                                << QStringList{"OSMParser: Conversion failed relationId: " + beyond}
                                                << 3 << 1 << 1 << 0 << start;
    QTest::newRow("relation id at the 64-bit maximum")
        << doc(sound() + route(max, "10")) << QString()
        << QStringList{"OSMParser: Conversion failed relationId: " + max} << 3 << 1 << 1 << 0 << start;
    QTest::newRow("member reference beyond 64 bits")
        << doc(sound() + route("20", beyond)) << QString()
        << QStringList{"OSMParser: Conversion failed memberRefId: " + beyond} << 3 << 1 << 1 << 1
        << QByteArray("<relation id=\"20\">\n  <member type=\"node\" ref=\"1\" role=\"stop\"/>");
    QTest::newRow("member reference at the 64-bit minimum")
        << doc(sound() + route("20", min)) << QString()
        << QStringList{"OSMParser: Conversion failed memberRefId: " + min} << 3 << 1 << 1 << 1
        << QByteArray("<relation id=\"20\">\n  <member type=\"node\" ref=\"1\" role=\"stop\"/>");

    // Pieces that the API or a proxy answered with something other than OSM XML.
    QTest::newRow("HTML error page")
        << QByteArray("<html>\r\n<head><title>502 Bad Gateway</title></head>\r\n<body>\r\n<center><h1>502 Bad "
                      "Gateway</h1></center>\r\n<hr><center>nginx</center>\r\n</body>\r\n</html>\r\n")
        << "Opening and ending tag mismatch." << none << 0 << 0 << 0 << 0 << emptyRoot;
    QTest::newRow("HTML5 error page") << QByteArray("<!DOCTYPE html>\n<html><head><meta charset=utf-8><title>Error"
                                                    "</title></head><body><p>Service unavailable</body></html>\n")
                                      << "Expected ''' or '\"', but got '[a-zA-Z]'." << none << 0 << 0 << 0 << 0
                                      << emptyRoot;
    QTest::newRow("plain text refusal") << QByteArray("You requested too many nodes (limit is 50000). Either request "
                                                      "a smaller area, or use planet.osm\n")
                                        << "Start tag expected." << none << 0 << 0 << 0 << 0 << emptyRoot;
    QTest::newRow("JSON body") << QByteArray("{\"error\":\"Service unavailable\"}") << "Start tag expected." << none
                               << 0 << 0 << 0 << 0 << emptyRoot;
    QTest::newRow("second root element") << doc(sound()) + "<osm>" + stop("4", "Late") + "</osm>\n"
                                         << "Extra content at end of document." << none << 3 << 1 << 1 << 0 << start;
    QTest::newRow("second document") << doc(sound()) + doc(stop("4", "Late"))
                                     << "XML declaration not at start of document." << none << 3 << 1 << 1 << 0
                                     << start;
}

void tst_HostileInput::documents()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    QFETCH(QStringList, stderrLines);
    QFETCH(int, nodes);
    QFETCH(int, busStops);
    QFETCH(int, ways);
    QFETCH(int, routes);
    QFETCH(QByteArray, written);
    QVERIFY(TestWorkDir::writeFile("piece.osm", content));
    content.clear();

    OSMData data;
    const Run run = extract({"piece.osm"}, data);
    QStringList expected{processingStart("piece.osm")};
    if (!error.isEmpty())
        expected << error + "\n";
    expected << " OK\n";
    QCOMPARE(run.messages.mid(0, expected.size()).join('|'), expected.join('|'));
    QCOMPARE(run.stderrLines.join('\n').left(200), stderrLines.join('\n').left(200));
    QCOMPARE(run.stderrLines, stderrLines);
    QCOMPARE(int(data.getNodes().size()), nodes);
    QCOMPARE(int(data.getBusStops().size()), busStops);
    QCOMPARE(int(data.getWays().size()), ways);
    QCOMPARE(int(data.getRelations().size()), routes);
    QCOMPARE(run.done, 1);
    QVERIFY2(run.network.contains(written), run.network.left(2000).constData());
    QCOMPARE(run.osmiumProblems, QString());
}

void tst_HostileInput::coordinates_data()
{
    QTest::addColumn<QByteArray>("lat");
    QTest::addColumn<QByteArray>("lon");
    // The standard-error line of a position that does not convert; empty when kept.
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("north pole") << QByteArray("90") << QByteArray("0") << QString()
                                << QByteArray("lat=\"90.0000000\" lon=\"0.0000000\"");
    QTest::newRow("south pole") << QByteArray("-90") << QByteArray("0") << QString()
                                << QByteArray("lat=\"-90.0000000\" lon=\"0.0000000\"");
    QTest::newRow("date line east") << QByteArray("0") << QByteArray("180") << QString()
                                    << QByteArray("lat=\"0.0000000\" lon=\"180.0000000\"");
    QTest::newRow("date line west") << QByteArray("0") << QByteArray("-180") << QString()
                                    << QByteArray("lat=\"0.0000000\" lon=\"-180.0000000\"");
    QTest::newRow("just below the pole") << QByteArray("89.99999999") << QByteArray("1") << QString()
                                         << QByteArray("lat=\"90.0000000\" lon=\"1.0000000\"");
    QTest::newRow("beyond the north pole") << QByteArray("90.0000001") << QByteArray("0")
                                           << "OSMParser: Conversion failed lat: 90.0000001" << QByteArray();
    QTest::newRow("beyond the south pole") << QByteArray("-91") << QByteArray("0")
                                           << "OSMParser: Conversion failed lat: -91" << QByteArray();
    QTest::newRow("beyond the date line") << QByteArray("0") << QByteArray("-180.5")
                                          << "OSMParser: Conversion failed lon: -180.5" << QByteArray();
    QTest::newRow("longitude 360") << QByteArray("0") << QByteArray("360")
                                   << "OSMParser: Conversion failed lon: 360" << QByteArray();
    QTest::newRow("latitude 1e308") << QByteArray("1e308") << QByteArray("0")
                                    << "OSMParser: Conversion failed lat: 1e308" << QByteArray();
    QTest::newRow("longitude -1e308") << QByteArray("0") << QByteArray("-1e308")
                                      << "OSMParser: Conversion failed lon: -1e308" << QByteArray();
    QTest::newRow("both out of range: latitude first") << QByteArray("91") << QByteArray("181")
                                                       << "OSMParser: Conversion failed lat: 91" << QByteArray();
    QTest::newRow("nan") << QByteArray("nan") << QByteArray("0") << "OSMParser: Conversion failed lat: nan"
                         << QByteArray();
    QTest::newRow("inf") << QByteArray("0") << QByteArray("inf") << "OSMParser: Conversion failed lon: inf"
                         << QByteArray();
    QTest::newRow("-inf") << QByteArray("-inf") << QByteArray("0") << "OSMParser: Conversion failed lat: -inf"
                          << QByteArray();
    QTest::newRow("underflow") << QByteArray("1e-400") << QByteArray("0")
                               << "OSMParser: Conversion failed lat: 1e-400" << QByteArray();
    QTest::newRow("blanks around") << QByteArray(" 55.8 ") << QByteArray("\t37.6") << QString()
                                   << QByteArray("lat=\"55.8000000\" lon=\"37.6000000\"");
}

// A position outside [-90, 90] x [-180, 180] counts as a number that does not
// convert: it is not on Earth, and 1e308 would be written as a 309-digit number
// that no OpenStreetMap reader takes.
void tst_HostileInput::coordinates()
{
    QFETCH(QByteArray, lat);
    QFETCH(QByteArray, lon);
    QFETCH(QString, line);
    QFETCH(QByteArray, written);
    QVERIFY(TestWorkDir::writeFile("piece.osm", doc("<node id=\"4\" lat=\"" + lat + "\" lon=\"" + lon + "\">"
                                                    + tag("highway", "bus_stop") + "</node>")));
    OSMData data;
    const Run run = extract({"piece.osm"}, data);
    QCOMPARE(run.messages.mid(0, 2), (QStringList{processingStart("piece.osm"), readOk()}));
    QCOMPARE(run.stderrLines, line.isEmpty() ? QStringList() : QStringList{line});
    QCOMPARE(int(data.getBusStops().size()), line.isEmpty() ? 1 : 0);
    QCOMPARE(run.done, 1);
    if (line.isEmpty())
        QVERIFY2(run.network.contains("<node id=\"4\" " + written + ">"), run.network.constData());
    else
        QVERIFY2(run.network.contains("<osm version=\"0.6\" generator=\"Pelagor\"/>"), run.network.constData());
    QCOMPARE(run.osmiumProblems, QString());
}

void tst_HostileInput::hugeToken_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<char>("filler");
    QTest::addColumn<QByteArray>("after");
    // Compressed files of a few kilobytes whose one token (a run of blanks, a comment, an
    // attribute value) expands to 200 MiB: the reader stops 32 MiB into it, with one diagnostic
    // line, and keeps what came before.
    const QByteArray start = head() + sound();
    const QByteArray node = "<node id=\"4\" lat=\"1\" lon=\"2\" note=\"";
    for (const QString suffix : {".osm.gz", ".osm.bz2"}) {
        QTest::addRow("blanks, %s", qPrintable(suffix)) << "blanks" + suffix << start << ' ' << QByteArray("</osm>\n");
        QTest::addRow("comment, %s", qPrintable(suffix))
            << "comment" + suffix << start + "<!--" << 'x' << QByteArray("--></osm>\n");
        QTest::addRow("attribute value, %s", qPrintable(suffix))
            << "value" + suffix << start + node << 'x' << QByteArray("\"/></osm>\n");
    }
}

void tst_HostileInput::hugeToken()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, before);
    QFETCH(char, filler);
    QFETCH(QByteArray, after);
    const bool bzip2 = name.endsWith(".bz2");
    const QByteArray mebibyte = compressed(QByteArray(1024 * 1024, filler), bzip2);
    QByteArray file = compressed(before, bzip2);
    for (int i = 0; i < 200; ++i)
        file += mebibyte;
    file += compressed(after, bzip2);
    QVERIFY(TestWorkDir::writeFile(name, file));

    OSMData data;
    const Run run = extract({name}, data, 256 * 1024);
    QCOMPARE(run.messages.mid(0, 3).join('|'),
             (QStringList{processingStart(name),
                          "More than 32 MiB in one XML token; the rest of the file is not read.\n", readOk()})
                 .join('|'));
    QCOMPARE(run.stderrLines.size(), 1);
    QVERIFY2(QRegularExpression("^OSMParser: \"" + QRegularExpression::escape(name)
                                + "\": more than 32 MiB in one XML token at byte [0-9]+; the rest of the file is "
                                  "not read$")
                 .match(run.stderrLines.first())
                 .hasMatch(),
             qPrintable(run.stderrLines.first()));
    QCOMPARE(int(data.getBusStops().size()), 1);
    QCOMPARE(int(data.getWays().size()), 1);
    QCOMPARE(run.done, 1);
    QCOMPARE(run.osmiumProblems, QString());
}

void tst_HostileInput::directoryInsteadOfFile()
{
    // A folder named like a piece, between two real pieces: it cannot be opened
    // and the next piece is read.
    QVERIFY(QDir().mkdir("folder.osm"));
    QVERIFY(TestWorkDir::writeFile("a.osm", doc(sound())));
    QVERIFY(TestWorkDir::writeFile("b.osm", doc(stop("4", "Late"))));
    OSMData data;
    const Run run = extract({"a.osm", "folder.osm", "b.osm"}, data);
    QCOMPARE(run.messages.mid(0, 6), (QStringList{processingStart("a.osm"), readOk(), processingStart("folder.osm"),
                                                  openingFailed(), processingStart("b.osm"), readOk()}));
    QCOMPARE(run.stderrLines, QStringList());
    QCOMPARE(int(data.getBusStops().size()), 2);
    QCOMPARE(run.done, 1);
    QCOMPARE(run.osmiumProblems, QString());
}

void tst_HostileInput::fileInsteadOfOutputFolder()
{
    // A regular file where the network file's folder belongs: the file cannot be
    // opened, the log says so, and the file in the way is left as it was.
    QVERIFY(TestWorkDir::writeFile("data/comp", "mine"));
    QVERIFY(TestWorkDir::writeFile("piece.osm", doc(sound())));
    OSMData data;
    OSMParser parser;
    QStringList messages;
    int done = 0;
    connect(&parser, &OSMParser::message, [&messages](const QString& m) { messages << m; });
    connect(&parser, &OSMParser::processingDone, [&done] { ++done; });
    StderrCapture err;
    parser.parseFiles({"piece.osm"}, data);
    parser.writeOutputFile(data);
    QCOMPARE(messages.size(), 4);
    QVERIFY(messages.at(2).startsWith("Creating output file: \"./data/comp/"));
    QCOMPARE(messages.at(3), QString("Could not open \"%1\" for writting!\n").arg(messages.at(2).mid(23, 35)));
    QCOMPARE(done, 0);
    QCOMPARE(TestWorkDir::readFile("data/comp"), QByteArray("mine"));
    QCOMPARE(err.text(), std::string());
}

QTEST_GUILESS_MAIN(tst_HostileInput)
#include "tst_HostileInput.moc"
