#include "app/NetworkFileOptions.h"

#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>

void NetworkFileOptions::add(QCommandLineParser& options, const QString& checkNote)
{
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
        "check", "After writing, report to standard error what in the network would break a simulation run" + checkNote));
}

bool NetworkFileOptions::read(const CommandLine& commandLine, const QCommandLineParser& options)
{
    if (!NetworkFormats::fromName(options.value("format"), format)) {
        commandLine.usageError(QString("unknown --format \"%1\": dorvex or osm").arg(options.value("format")));
        return false;
    }
    output = options.value("output");
    overwrite = options.isSet("overwrite");
    check = options.isSet("check");
    if (!output.isEmpty() && !overwrite && (QFileInfo::exists(output) || QFileInfo(output).isSymLink())) {
        commandLine.usageError(QString("\"%1\" exists; -O replaces it").arg(output));
        return false;
    }
    return true;
}
