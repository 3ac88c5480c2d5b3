#include "tools/DownloadCommand.h"

#include "tools/OSMProcessor.h"
#include "download/RequestPolicy.h"
#include "common/BoundingBox.h"
#include "common/DataFolders.h"
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
    "network file was written; 2 for a usage error, found before any request or file: a box\n"
    "without width or height, or of more requests than the source's usage policy allows without\n"
    "--force, a FILE of -o in a missing folder, an address in PELAGOR_API_URL or\n"
    "PELAGOR_OVERPASS_URL that is no http or https URL.\n";

} // namespace

DownloadCommand::DownloadCommand()
    : commandLine("pelagor-download", PELAGOR_VERSION, description, epilog)
{
    addOptions(commandLine.options());
}

int DownloadCommand::exec(const QStringList& arguments)
{
    int status = 0;
    if (!readSettings(arguments, status))
        return status;
    return run();
}

void DownloadCommand::addOptions(QCommandLineParser& options)
{
    options.addOption(QCommandLineOption(
        "source", "Where the data comes from: api (the OpenStreetMap editing API in pieces of 0.01 degree, the "
                  "default) or overpass (the Overpass API, one request per area of up to 0.25 degree a side).",
        "api|overpass", "api"));
    options.addOption(QCommandLineOption("again", "Ask for every piece anew, as \"Download again\" does."));
    options.addOption(QCommandLineOption(
        "force", QString("Download even when more than %1 pieces are to be requested from the API, or more than %2 "
                         "tiles from Overpass (what its public instances allow one user in a day).")
                     .arg(RequestPolicy::maxApiRequests)
                     .arg(RequestPolicy::maxOverpassRequests)));
    NetworkFileOptions::add(options, ".");
    options.addPositionalArgument("W,S,E,N", "The box, in degrees.");
}

// False with `status` set when the program ends at once.
bool DownloadCommand::readSettings(const QStringList& arguments, int& status)
{
    const QCommandLineParser& options = commandLine.options();
    if (!commandLine.parse(arguments, status))
        return false;
    status = CommandLine::usageStatus;
    if (!DownloadSources::fromName(options.value("source"), settings.source)) {
        commandLine.usageError(QString("unknown --source \"%1\": api or overpass").arg(options.value("source")));
        return false;
    }
    if (!settings.file.read(commandLine, options))
        return false;
    if (settings.file.toStandardOutput())
        CommandLine::sendLogToStandardError();
    if (options.positionalArguments().size() != 1) {
        commandLine.usageError("one box W,S,E,N expected");
        return false;
    }
    BoundingBox box;
    QString problem;
    const QString text = options.positionalArguments().first();
    if (!BoundingBox::fromText(text, box, &problem)) {
        commandLine.usageError(QString("bad box \"%1\": %2").arg(text, problem));
        return false;
    }
    settings.area = box.toArea();
    settings.mode = options.isSet("again") ? FetchMode::RequestEveryPiece : FetchMode::UseFilesOnDisk;
    const RequestPolicy policy = RequestPolicy::of(settings.area, settings.source, settings.mode);
    if (policy.verdict() != RequestPolicy::Verdict::Go
        && !(policy.verdict() == RequestPolicy::Verdict::AskFirst && options.isSet("force"))) {
        commandLine.usageError(policy.usageProblem(text));
        return false;
    }
    const QString addressProblem = DownloadSources::addressProblem(settings.source);
    if (!addressProblem.isEmpty()) {
        commandLine.usageError(addressProblem);
        return false;
    }
    return true;
}

// The run, to its end: 0 complete, 3 incomplete, 1 nothing written.
int DownloadCommand::run()
{
    // The download folder is made one level below ./data/, which the window's tile cache makes
    // at start-up.
    DataFolders::makeRoot();
    OSMProcessor processor(settings.area, settings.mode, settings.source, settings.file.format);
    if (!settings.file.output.isEmpty())
        processor.setOutputPath(settings.file.output, settings.file.overwrite, settings.file.kind);
    if (settings.file.keepRouteRoads)
        processor.keepRouteRoads();
    int status = 1;
    // A log text may leave its line open for the next one; the last line of the program ends.
    bool lineOpen = false;
    QObject::connect(&processor, &OSMProcessor::message, qApp, [&lineOpen](const QString& msg) {
        CommandLine::print(msg);
        lineOpen = !msg.endsWith('\n');
    });
    const bool check = settings.file.check;
    QObject::connect(&processor, &OSMProcessor::processingDone, qApp, [&processor, &status, check] {
        status = processor.isIncomplete() ? 3 : 0;
        if (check)
            CommandLine::printError(NetworkFileCheck::report(processor.networkFile(), processor.networkArea()));
        QCoreApplication::quit();
    });
    QObject::connect(&processor, &OSMProcessor::processingStopped, qApp, [] { QCoreApplication::quit(); });
    QMetaObject::invokeMethod(&processor, "downloadOSMFiles", Qt::QueuedConnection);
    QCoreApplication::exec();
    if (lineOpen)
        CommandLine::print("\n");
    return status;
}

