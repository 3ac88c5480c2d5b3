// pelagor-download: the processing run of "Start Download" (or "Download again") without a
// window, for a box given on the command line, in the working directory.
#include "app/CommandLine.h"
#include "app/OSMProcessor.h"
#include "download/AreaCount.h"
#include "common/DataFolders.h"
#include "extraction/BoundingBox.h"
#include "extraction/NetworkFileCheck.h"
#include "extraction/NetworkFormat.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

const char description[] =
    "Downloads the OpenStreetMap data of the box W,S,E,N (west, south, east, north in degrees)\n"
    "and writes its road and public-transport network to data/comp/<date>_<time>.osm in the\n"
    "working directory (or to the FILE of -o), as \"Start Download\" in the window does: the\n"
    "same log on standard output, diagnostics on standard error. Downloaded pieces are kept in\n"
    "data/download/ and reused by later runs.";

const char epilog[] =
    "\nExit status: 0 when a complete network file was written; 3 when a network file named\n"
    "<date>_<time>-incomplete.osm was written (pieces are missing; run again later); 1 when no\n"
    "network file was written; 2 for a usage error.\n";

// The exit status of the run: 1 until it has written a network file.
struct Outcome
{
    int status = 1;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    CommandLine commandLine("pelagor-download", PELAGOR_VERSION, description, epilog);
    QCommandLineParser& options = commandLine.options();
    options.addOption(QCommandLineOption(
        "source", "Where the data comes from: api (the OpenStreetMap editing API in pieces of 0.01 degree, the "
                  "default) or overpass (the Overpass API, one request per area of up to 0.25 degree a side).",
        "api|overpass", "api"));
    options.addOption(QCommandLineOption("again", "Ask for every piece anew, as \"Download again\" does."));
    options.addOption(QCommandLineOption(
        "force", QString("Download from the API even when more than %1 pieces are to be requested.")
                     .arg(AreaCount::maxApiRequests)));
    options.addOption(QCommandLineOption(
        {"o", "output"}, "Write the network file to FILE (complete or not at all). An existing FILE is refused "
                         "unless -O is given.",
        "FILE"));
    options.addOption(QCommandLineOption({"O", "overwrite"}, "Replace the FILE of -o if it exists."));
    options.addOption(QCommandLineOption(
        "format", "The network file's format: dorvex (the simulator's, the default) or osm (standard OpenStreetMap "
                  "XML for other tools: sorted, each object once, with all its tags and versions).",
        "dorvex|osm", "dorvex"));
    options.addOption(QCommandLineOption(
        "check", "After writing, report to standard error what in the network would break a simulation run."));
    options.addPositionalArgument("W,S,E,N", "The box, in degrees.");
    int status = 0;
    if (!commandLine.parse(QCoreApplication::arguments(), status))
        return status;

    DownloadSource source = DownloadSource::Api;
    if (!DownloadSources::fromName(options.value("source"), source))
        return commandLine.usageError(QString("unknown --source \"%1\": api or overpass").arg(options.value("source")));
    NetworkFormat format = NetworkFormat::Dorvex;
    if (!NetworkFormats::fromName(options.value("format"), format))
        return commandLine.usageError(QString("unknown --format \"%1\": dorvex or osm").arg(options.value("format")));
    if (options.positionalArguments().size() != 1)
        return commandLine.usageError("one box W,S,E,N expected");
    BoundingBox box;
    QString problem;
    const QString text = options.positionalArguments().first();
    if (!BoundingBox::fromText(text, box, problem))
        return commandLine.usageError(QString("bad box \"%1\": %2").arg(text, problem));
    const QString output = options.value("output");
    if (!output.isEmpty() && !options.isSet("overwrite") && (QFileInfo::exists(output) || QFileInfo(output).isSymLink()))
        return commandLine.usageError(QString("\"%1\" exists; -O replaces it").arg(output));
    const QRectF area(box.west(), box.north(), box.east() - box.west(), box.south() - box.north());
    const FetchMode mode = options.isSet("again") ? FetchMode::RequestEveryPiece : FetchMode::UseFilesOnDisk;
    const AreaCount count = AreaCount::of(area, source);
    if (source == DownloadSource::Api && !options.isSet("force") && count.toDownload(mode) > AreaCount::maxApiRequests)
        return commandLine.usageError(
            QString("the box needs %1 requests to the OpenStreetMap API, more than %2; its usage policy asks those who "
                    "read much to take the data elsewhere: use --source overpass (%3 requests), or --force")
                .arg(count.toDownload(mode))
                .arg(AreaCount::maxApiRequests)
                .arg(AreaCount::of(area, DownloadSource::Overpass).toDownload(mode)));

    // The download folder is made one level below ./data/, which the window's tile cache makes
    // at start-up.
    DataFolders::makeRoot();
    OSMProcessor processor(area, mode, source, format);
    if (!output.isEmpty())
        processor.setOutputPath(output, options.isSet("overwrite"));
    Outcome outcome;
    const bool check = options.isSet("check");
    // A log text may leave its line open for the next one; the last line of the program ends.
    bool lineOpen = false;
    QObject::connect(&processor, &OSMProcessor::message, &app, [&lineOpen](const QString& msg) {
        CommandLine::print(msg);
        lineOpen = !msg.endsWith('\n');
    });
    QObject::connect(&processor, &OSMProcessor::processingDone, &app, [&processor, &outcome, check] {
        outcome.status = processor.isIncomplete() ? 3 : 0;
        if (check)
            CommandLine::printError(NetworkFileCheck::report(processor.networkFile()));
        QCoreApplication::quit();
    });
    QObject::connect(&processor, &OSMProcessor::processingStopped, &app, [] { QCoreApplication::quit(); });
    QMetaObject::invokeMethod(&processor, "downloadOSMFiles", Qt::QueuedConnection);
    app.exec();
    if (lineOpen)
        CommandLine::print("\n");
    return outcome.status;
}
