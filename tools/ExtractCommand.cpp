#include "tools/ExtractCommand.h"

#include "tools/ProgressLine.h"
#include "common/BoundingBox.h"
#include "common/DataFolders.h"
#include "extraction/InputCopy.h"
#include "extraction/NetworkFileCheck.h"
#include "extraction/NoClobberFile.h"
#include "extraction/OSMFileFormat.h"
#include "extraction/NetworkFormat.h"
#include "extraction/OSMParser.h"
#include "network/OSMData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <memory>

namespace {

const char description[] =
    "Reads each PATH in the order given and writes the road and public-transport network to\n"
    "data/comp/<date>_<time>.osm under the working directory, or to the FILE of -o. A PATH is an\n"
    "OpenStreetMap file, a directory whose *.osm files are read by name, or - for the standard\n"
    "input. Without -F the format of a file comes from its first bytes: PBF (a block header\n"
    "naming \"OSMHeader\"), gzip (1f 8b), bzip2 (\"BZh\") or XML ('<'); when they show none of\n"
    "these, from its name: ending in .pbf PBF, in .gz or .bz2 compressed XML, anything else XML.\n"
    "Input is read as the data of today: objects marked deleted (JOSM's action=\"delete\") or not\n"
    "visible are left out; of a history file (an object followed by its next version, or a PBF\n"
    "whose header says history) the last version of each object is read, and the log says so. A\n"
    "history file must be sorted by type, id and version; an osmChange file is not read.\n"
    "An input that can be read only once (the standard input, a FIFO, <(...)) is first copied\n"
    "into a temporary file beside the network file, removed at the end, when the run reads it\n"
    "twice (--bbox, --format osm, --keep-route-roads, PBF) or must look at its first bytes (no -F).\n"
    "The log goes to standard output (to standard error with -o -), diagnostics to standard\n"
    "error; on a terminal, a progress bar by bytes read (of the current file and of all input,\n"
    "with the time left) is shown on standard error while the files are read.";

const char epilog[] =
    "\nEach input that cannot be read, or not to its end, is named on standard error; the\n"
    "network file is then named <date>_<time>-incomplete.osm (a FILE of -o keeps its name).\n"
    "Exit status: 0 when every input was read and the network file written; 3 when it was\n"
    "written but some inputs failed; 1 when no input could be read or the file could not be\n"
    "written (no network file then); 2 for a usage error (nothing read or written).\n";

} // namespace

ExtractCommand::ExtractCommand()
    : commandLine("pelagor-extract", PELAGOR_VERSION, description, epilog)
{
    addOptions(commandLine.options());
}

int ExtractCommand::exec(const QStringList& arguments)
{
    int status = 0;
    if (!readSettings(arguments, status))
        return status;
    if (!checkPaths())
        return CommandLine::usageStatus;
    return run();
}

void ExtractCommand::addOptions(QCommandLineParser& options)
{
    options.addOption(QCommandLineOption(
        "bbox", "Keep of each file only what the OpenStreetMap API's map call returns for the box (west, south, "
                "east, north in degrees): the nodes inside it, the ways with such a node and all their nodes, the "
                "relations with a member among them, and the relations that have such a relation as a member.",
        "W,S,E,N"));
    options.addOption(QCommandLineOption(
        {"F", "input-format"}, "Read every input in this format: osm, pbf, osm.gz or osm.bz2, whatever its name "
                               "and first bytes say.",
        "FORMAT"));
    options.addOption(QCommandLineOption("progress", "Show the progress bar even when standard error is no terminal."));
    options.addOption(QCommandLineOption("no-progress", "Never show the progress bar."));
    NetworkFileOptions::add(options, ", as pelagor-check does. The exit status stays that of the extraction.");
    options.addPositionalArgument("PATH...", "OpenStreetMap files or directories of them; - is the standard input.");
}

// False with `status` set when the program ends at once.
bool ExtractCommand::readSettings(const QStringList& arguments, int& status)
{
    QCommandLineParser& options = commandLine.options();
    if (!commandLine.parse(arguments, status))
        return false;
    status = CommandLine::usageStatus;
    settings.paths = options.positionalArguments();
    if (!commandLine.boxOption(settings.box, settings.clip))
        return false;
    if (options.isSet("input-format")) {
        settings.format = OSMFileFormat::fromOptionName(options.value("input-format"));
        if (settings.format == OSMFileFormat::Unknown) {
            commandLine.usageError(QString("unknown --input-format \"%1\": osm, pbf, osm.gz or osm.bz2")
                                       .arg(options.value("input-format")));
            return false;
        }
    }
    if (!settings.file.read(commandLine, options))
        return false;
    if (settings.file.toStandardOutput())
        CommandLine::sendLogToStandardError();
    const bool forced = options.isSet("progress");
    if (forced && options.isSet("no-progress")) {
        commandLine.usageError("--progress and --no-progress exclude each other");
        return false;
    }
    settings.progress = forced || (!options.isSet("no-progress") && ProgressLine::isTerminal(2));
    return true;
}

// The checks that need the inputs and the output named: false after a usage error.
bool ExtractCommand::checkPaths() const
{
    if (settings.paths.isEmpty()) {
        commandLine.usageError("no PATH given (see pelagor-extract --help)");
        return false;
    }
    return true;
}

namespace {

// Reads every input into `data`; each that could not be read, or not to its end, is named on
// the standard error stream as soon as it is done with. False when none could be read.
bool readInputs(OSMParser& parser, OSMData& data, const QStringList& paths, QStringList& failures)
{
    bool anyRead = false;
    for (const QString& path : paths) {
        QStringList failed;
        QString failure;
        if (path != "-" && QFileInfo(path).isDir()) {
            parser.parseDir(path, data, &failed);
            anyRead = anyRead || failed.size() < QDir(path).entryList({QString("*.osm")}).size();
        } else if (parser.parseFile(path, data, &failure)) {
            anyRead = true;
        } else {
            failed << QString("\"%1\": %2").arg(path, failure);
        }
        for (const QString& line : failed)
            CommandLine::printError(QString("pelagor-extract: %1\n").arg(line));
        failures << failed;
    }
    return anyRead;
}

std::unique_ptr<ProgressLine> progressLine(const OSMParser& parser, const QStringList& paths)
{
    qint64 bytes = 0;
    int files = 0;
    for (const QString& path : paths) {
        bytes += parser.inputBytes(path);
        files += path != "-" && QFileInfo(path).isDir() ? QDir(path).entryList({QString("*.osm")}).size() : 1;
    }
    return std::unique_ptr<ProgressLine>(new ProgressLine(stderr, bytes, files, CommandLine::log()));
}

} // namespace

// Where an input that cannot be read twice is copied: beside the network file, or in the
// temporary folder when that goes into a FIFO, a device or the standard output.
QString ExtractCommand::copyFolder() const
{
    const NetworkFileOptions& file = settings.file;
    if (file.output.isEmpty()) {
        for (const QString& path : settings.paths)
            if (InputCopy::isNeeded(path)) {
                DataFolders::makeRoot();
                DataFolders::make(OSMParser::outputDir);
                break;
            }
        return OSMParser::outputDir;
    }
    if (NoClobberFile::isWrittenDirectly(file.output))
        return QDir::tempPath();
    return QFileInfo(file.output).absolutePath();
}

int ExtractCommand::run()
{
    OSMParser parser;
    // The network data stays until the process ends: the kernel drops its memory at
    // once, where freeing the network of a big extract record by record takes about
    // a sixth of the time of reading it from PBF.
    static OSMData& data = *new OSMData;
    if (settings.clip)
        parser.clipTo(settings.box);
    parser.setInputFormat(settings.format);
    if (settings.file.keepRouteRoads)
        parser.keepRouteRoads();
    parser.prepareFor(settings.file.format);
    parser.copyUnrepeatableInputs(copyFolder(), settings.file.format == NetworkFormat::Osm);
    if (!settings.file.output.isEmpty())
        parser.setOutputPath(settings.file.output, settings.file.overwrite, settings.file.kind);
    std::unique_ptr<ProgressLine> progress;
    if (settings.progress) {
        progress = progressLine(parser, settings.paths);
        QObject::connect(&parser, &OSMParser::bytesRead, [&progress](qint64 done, qint64 total) {
            progress->bytesRead(done, total);
        });
    }
    bool written = false;
    QObject::connect(&parser, &OSMParser::message, [&progress](const QString& msg) {
        if (progress)
            progress->print(msg);
        else
            CommandLine::print(msg);
    });
    QObject::connect(&parser, &OSMParser::processingDone, [&written] { written = true; });

    QStringList failures;
    const bool anyRead = readInputs(parser, data, settings.paths, failures);
    if (progress)
        progress->finish();
    if (!anyRead)
        return 1;
    // The network file goes one level below ./data/, which the application's tile
    // cache creates at start-up; create it the same way here.
    if (settings.file.output.isEmpty())
        DataFolders::makeRoot();
    parser.writeOutputFile(data, failures.isEmpty() ? OSMParser::Coverage::Complete : OSMParser::Coverage::Incomplete,
                           settings.file.format);
    if (!written)
        return 1;
    if (settings.file.check)
        CommandLine::printError(NetworkFileCheck::report(parser.writtenFilePath(), parser.area()));
    return failures.isEmpty() ? 0 : 3;
}

