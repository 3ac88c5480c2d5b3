// pelagor-extract: turns OpenStreetMap XML files already on disk into the network
// file, exactly as the application does after a download, without a window.
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
    "       pelagor-extract --help | --version\n"
    "Reads each PATH in the order given (an OpenStreetMap XML file, or a directory whose\n"
    "*.osm files are read by name) and writes the road and public-transport network to\n"
    "./data/comp/<date>_<time>.osm under the working directory.\n"
    "Progress goes to standard output, diagnostics to standard error.\n"
    "  -h, --help  print this text and exit\n"
    "  --version   print the version and exit\n"
    "  --          as the first argument: every argument after it is a PATH\n"
    "Exit status: 0 when the network file was written, 1 when it was not, 2 for a usage error.\n";

// PELAGOR_VERSION comes from the project version in CMake.
const char version[] = "pelagor-extract " PELAGOR_VERSION "\n";

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    // A leading "--" ends the options, so that a file may be named like one.
    const bool optionsEnded = arguments.value(0) == "--";
    const QStringList paths = optionsEnded ? QStringList(arguments.mid(1)) : arguments;
    if (!optionsEnded && (paths.contains("--help") || paths.contains("-h"))) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (!optionsEnded && paths.contains("--version")) {
        std::fputs(version, stdout);
        return 0;
    }
    if (paths.isEmpty()) {
        std::fputs(usage, stderr);
        return 2;
    }

    OSMParser parser;
    OSMData data;
    bool written = false;
    QObject::connect(&parser, &OSMParser::message, [](const QString& msg) {
        const QByteArray text = msg.toUtf8();
        std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
        std::fflush(stdout);
    });
    QObject::connect(&parser, &OSMParser::processingDone, [&written] { written = true; });

    // The network file goes one level below ./data/, which the application's tile
    // cache creates at start-up; create it the same way here.
    if (!QDir("./data/").exists())
        QDir().mkdir("./data/");

    for (const QString& path : paths) {
        if (QFileInfo(path).isDir())
            parser.parseDir(path, data);
        else
            parser.parseFile(path, data);
    }
    parser.writeOutputFile(data);
    return written ? 0 : 1;
}
