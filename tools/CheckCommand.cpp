#include "tools/CheckCommand.h"

#include "extraction/NetworkFileCheck.h"

#include <cstddef>

namespace {

const char description[] =
    "Reads a network file (as pelagor and pelagor-extract write it, or standard OSM XML; plain,\n"
    "gzip, bzip2 or PBF, told by its first bytes; - is the standard input) and\n"
    "reports what would break a simulation run: route-gap, route-cut, route-without-stops,\n"
    "stop-off-route, island, oneway-dead-end and degenerate-way findings, each with its ids and\n"
    "position. Findings outside the area, or caused by what lies beyond it, are marked at the edge.\n"
    "Objects marked deleted or not visible are not part of the network; of a history file the last\n"
    "versions are checked; an osmChange file is not read.";

const char epilog[] = "\nExit status: 0 no findings, 4 findings, 1 the file could not be read, 2 usage error.\n";

} // namespace

CheckCommand::CheckCommand()
    : commandLine("pelagor-check", PELAGOR_VERSION, description, epilog)
{
    addOptions(commandLine.options());
}

int CheckCommand::exec(const QStringList& arguments)
{
    int status = Clean;
    if (!readSettings(arguments, status))
        return status;
    return run();
}

void CheckCommand::addOptions(QCommandLineParser& options)
{
    options.addOption(QCommandLineOption(
        "json", "Print one JSON document {\"version\": 1, \"counts\": {...}, \"findings\": [...]} instead of the "
                "report."));
    options.addOption(QCommandLineOption(
        "bbox", "The area of the network (west, south, east, north in degrees), in place of the file's <bounds>.",
        "W,S,E,N"));
    options.addPositionalArgument("NETWORK.osm", "The network file; every argument after -- is taken as it.");
}

// False with `status` set when the program ends at once.
bool CheckCommand::readSettings(const QStringList& arguments, int& status)
{
    const QCommandLineParser& options = commandLine.options();
    if (!commandLine.parse(arguments, status))
        return false;
    status = UsageError;
    if (!commandLine.boxOption(settings.box, settings.boxGiven))
        return false;
    if (options.positionalArguments().size() != 1) {
        commandLine.usageError("one NETWORK.osm expected (see pelagor-check --help)");
        return false;
    }
    settings.path = options.positionalArguments().first();
    settings.json = options.isSet("json");
    return true;
}

int CheckCommand::run() const
{
    QString report;
    QString note;
    std::size_t findings = 0;
    const auto format = settings.json ? NetworkFileCheck::Format::Json : NetworkFileCheck::Format::Text;
    const bool read
        = NetworkFileCheck::check(settings.path, format, report, findings, settings.boxGiven ? &settings.box : nullptr, &note);
    // A file of history or of changesets alone says so on standard error, beside the report.
    if (!note.isEmpty())
        CommandLine::printError("pelagor-check: " + note);
    if (!read) {
        CommandLine::printError("pelagor-check: " + report);
        return Unreadable;
    }
    CommandLine::print(report);
    return findings == 0 ? Clean : Findings;
}
