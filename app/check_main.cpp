// pelagor-check: reads a network file and reports what in it would break a simulation
// run, as text for a person or as JSON for a script.
#include "extraction/NetworkFileCheck.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <iostream>

namespace {

const char usage[] =
    "Usage: pelagor-check [--json] NETWORK.osm\n"
    "       pelagor-check --help | --version\n"
    "Reads a network file (as pelagor and pelagor-extract write it, or standard OSM XML) and\n"
    "reports what would break a simulation run: route-gap, route-cut, stop-off-route, island,\n"
    "oneway-dead-end and degenerate-way findings, each with its ids and position.\n"
    "  --json      print one JSON document {\"findings\": [...]} instead of the report\n"
    "  -h, --help  print this text and exit\n"
    "  --version   print the version and exit\n"
    "  --          every argument after it is the file\n"
    "Exit status: 0 no findings, 4 findings, 1 the file could not be read, 2 usage error.\n";

// PELAGOR_VERSION comes from the project version in CMake.
const char version[] = "pelagor-check " PELAGOR_VERSION "\n";

enum Status { Clean = 0, Unreadable = 1, UsageError = 2, Findings = 4 };

void print(const QString& text, std::FILE* stream)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    bool json = false;
    QStringList paths;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (optionsEnded || !argument.startsWith('-') || argument == "-") {
            paths << argument;
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--json") {
            json = true;
        } else if (argument == "--help" || argument == "-h") {
            std::fputs(usage, stdout);
            return Clean;
        } else if (argument == "--version") {
            std::fputs(version, stdout);
            return Clean;
        } else {
            std::cerr << "pelagor-check: unknown option " << argument.toStdString() << std::endl;
            std::fputs(usage, stderr);
            return UsageError;
        }
    }
    if (paths.size() != 1) {
        std::fputs(usage, stderr);
        return UsageError;
    }

    QString report;
    std::size_t findings = 0;
    const auto format = json ? NetworkFileCheck::Format::Json : NetworkFileCheck::Format::Text;
    if (!NetworkFileCheck::check(paths.front(), format, report, findings)) {
        print("pelagor-check: " + report, stderr);
        return Unreadable;
    }
    print(report, stdout);
    return findings == 0 ? Clean : Findings;
}
