// pelagor-check: reads a network file and reports what in it would break a simulation
// run, as text for a person or as JSON for a script.
#include "common/BoundingBox.h"
#include "extraction/NetworkFileCheck.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <iostream>

namespace {

const char usage[] =
    "Usage: pelagor-check [--json] [--bbox W,S,E,N] NETWORK.osm\n"
    "       pelagor-check --help | --version\n"
    "Reads a network file (as pelagor and pelagor-extract write it, or standard OSM XML; plain,\n"
    "gzip, bzip2 or PBF, told by its first bytes; - is the standard input) and\n"
    "reports what would break a simulation run: route-gap, route-cut, route-without-stops,\n"
    "stop-off-route, island, oneway-dead-end and degenerate-way findings, each with its ids and\n"
    "position. Findings outside the area, or caused by what lies beyond it, are marked at the edge.\n"
    "  --json            print one JSON document {\"version\": 1, \"counts\": {...},\n"
    "                    \"findings\": [...]} instead of the report\n"
    "  --bbox W,S,E,N    the area of the network (west, south, east, north in degrees), in place\n"
    "                    of the file's <bounds>\n"
    "  -h, --help        print this text and exit\n"
    "  --version         print the version and exit\n"
    "  --                every argument after it is the file\n"
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

// One line on standard error, as the other programs tell a usage error.
int usageError(const QString& text)
{
    print("pelagor-check: " + text + "\n", stderr);
    return UsageError;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    bool json = false;
    bool boxGiven = false;
    BoundingBox box;
    QStringList paths;
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith('-') || argument == "-") {
            paths << argument;
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--json") {
            json = true;
        } else if (argument == "--bbox" || argument.startsWith("--bbox=")) {
            if (argument == "--bbox" && i + 1 == arguments.size())
                return usageError("Missing value after '--bbox'. (see pelagor-check --help)");
            const QString text = argument == "--bbox" ? arguments[++i] : argument.mid(7);
            QString problem;
            if (!BoundingBox::fromText(text, box, &problem))
                return usageError(QString("bad --bbox \"%1\": %2").arg(text, problem));
            boxGiven = true;
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
    if (!NetworkFileCheck::check(paths.front(), format, report, findings, boxGiven ? &box : nullptr)) {
        print("pelagor-check: " + report, stderr);
        return Unreadable;
    }
    print(report, stdout);
    return findings == 0 ? Clean : Findings;
}
