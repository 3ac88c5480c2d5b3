// pelagor-extract: turns OpenStreetMap files already on disk into the network file,
// exactly as the application does after a download, without a window.
#include "extraction/BoundingBox.h"
#include "extraction/NetworkFileCheck.h"
#include "extraction/NetworkFormat.h"
#include "extraction/OSMParser.h"
#include "network/OSMData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <iostream>

namespace {

const char usage[] =
    "Usage: pelagor-extract PATH...\n"
    "       pelagor-extract --bbox W,S,E,N PATH...\n"
    "       pelagor-extract --check [--bbox W,S,E,N] PATH...\n"
    "       pelagor-extract --format dorvex|osm ... (with any of the above)\n"
    "       pelagor-extract --help | --version\n"
    "Reads each PATH in the order given and writes the road and public-transport network\n"
    "to ./data/comp/<date>_<time>.osm under the working directory. A PATH is an\n"
    "OpenStreetMap file, its format known from its name (.osm.pbf PBF, .osm.gz and\n"
    ".osm.bz2 compressed XML, anything else XML), or a directory whose *.osm files are\n"
    "read by name.\n"
    "Progress goes to standard output, diagnostics to standard error.\n"
    "  --bbox W,S,E,N  as the first argument: keep of each file only what the OpenStreetMap\n"
    "                  API's map call returns for that area (west, south, east, north in\n"
    "                  degrees): the nodes inside it, the ways with such a node and all\n"
    "                  their nodes, and the relations with a member among them\n"
    "  --format F      the network file's format: dorvex (the simulator's, the default) or\n"
    "                  osm (standard OpenStreetMap XML for other tools: sorted by type and\n"
    "                  id, each object once, with all its tags and versions)\n"
    "  --check         first: after writing, report to standard error what in the network\n"
    "                  would break a simulation run, as pelagor-check does\n"
    "  -h, --help      print this text and exit\n"
    "  --version       print the version and exit\n"
    "  --              first, or after --bbox: every argument after it is a PATH\n"
    "Each input that cannot be read, or not to its end, is named on standard error; the\n"
    "network file is then named <date>_<time>-incomplete.osm.\n"
    "Exit status: 0 when every input was read and the network file written; 3 when it was\n"
    "written but some inputs failed; 1 when no input could be read or the file could not be\n"
    "written (no network file then); 2 for a usage error.\n";

// PELAGOR_VERSION comes from the project version in CMake.
const char version[] = "pelagor-extract " PELAGOR_VERSION "\n";

void printCheck(const QString& networkPath)
{
    const QByteArray report = NetworkFileCheck::report(networkPath).toUtf8();
    std::fwrite(report.constData(), 1, std::size_t(report.size()), stderr);
    std::fflush(stderr);
}

// Takes "--format F" or "--format=F" from the options before a "--"; false after a usage error.
bool takeFormat(QStringList& arguments, NetworkFormat& format)
{
    const int end = arguments.contains("--") ? arguments.indexOf("--") : arguments.size();
    for (int i = 0; i < end; ++i) {
        if (arguments[i] != "--format" && !arguments[i].startsWith("--format="))
            continue;
        const bool separate = arguments[i] == "--format";
        const QString name = separate ? arguments.value(i + 1) : arguments[i].mid(9);
        arguments.erase(arguments.begin() + i, arguments.begin() + qMin(i + (separate ? 2 : 1), arguments.size()));
        if (!NetworkFormats::fromName(name, format)) {
            std::cerr << "pelagor-extract: unknown --format \"" << name.toStdString() << "\": dorvex or osm"
                      << std::endl;
            return false;
        }
        return true;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.value(0) != "--" && (arguments.contains("--help") || arguments.contains("-h"))) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (arguments.value(0) != "--" && arguments.contains("--version")) {
        std::fputs(version, stdout);
        return 0;
    }
    NetworkFormat format = NetworkFormat::Dorvex;
    if (!takeFormat(arguments, format))
        return 2;
    // --check comes first; the exit status stays that of the extraction.
    const bool check = arguments.value(0) == "--check";
    if (check)
        arguments.removeFirst();
    bool clip = false;
    BoundingBox box;
    if (arguments.value(0) == "--bbox" || arguments.value(0).startsWith("--bbox=")) {
        const QString text = arguments.value(0) == "--bbox" ? arguments.value(1) : arguments.value(0).mid(7);
        arguments = arguments.mid(arguments.value(0) == "--bbox" ? 2 : 1);
        QString problem;
        if (!BoundingBox::fromText(text, box, problem)) {
            std::cerr << "pelagor-extract: bad --bbox \"" << text.toStdString() << "\": " << problem.toStdString()
                      << std::endl;
            return 2;
        }
        clip = true;
    }
    // A leading "--" ends the options, so that a file may be named like one.
    const QStringList paths = arguments.value(0) == "--" ? arguments.mid(1) : arguments;
    if (paths.isEmpty()) {
        std::fputs(usage, stderr);
        return 2;
    }

    OSMParser parser;
    // The network data stays until the process ends: the kernel drops its memory at
    // once, where freeing the network of a big extract record by record takes about
    // a sixth of the time of reading it from PBF.
    static OSMData& data = *new OSMData;
    bool written = false;
    QObject::connect(&parser, &OSMParser::message, [](const QString& msg) {
        const QByteArray text = msg.toUtf8();
        std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
        std::fflush(stdout);
    });
    QObject::connect(&parser, &OSMParser::processingDone, [&written] { written = true; });
    if (clip)
        parser.clipTo(box);

    // Each input that could not be read, or not to its end, is named on the standard error
    // stream as soon as it is done with.
    bool anyRead = false;
    QStringList failures;
    for (const QString& path : paths) {
        QStringList failed;
        QString failure;
        if (QFileInfo(path).isDir()) {
            parser.parseDir(path, data, &failed);
            anyRead = anyRead || failed.size() < QDir(path).entryList({QString("*.osm")}).size();
        } else if (parser.parseFile(path, data, &failure)) {
            anyRead = true;
        } else {
            failed << QString("\"%1\": %2").arg(path, failure);
        }
        for (const QString& line : failed)
            std::cerr << "pelagor-extract: " << line.toStdString() << std::endl;
        failures << failed;
    }
    if (!anyRead)
        return 1;
    // The network file goes one level below ./data/, which the application's tile
    // cache creates at start-up; create it the same way here.
    if (!QDir("./data/").exists())
        QDir().mkdir("./data/");
    parser.writeOutputFile(data, failures.isEmpty() ? OSMParser::Coverage::Complete : OSMParser::Coverage::Incomplete,
                           format);
    if (!written)
        return 1;
    if (check)
        printCheck(parser.writtenFilePath());
    return failures.isEmpty() ? 0 : 3;
}
