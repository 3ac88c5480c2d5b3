#ifndef TOOLS_CHECKCOMMAND_H
#define TOOLS_CHECKCOMMAND_H

// pelagor-check: reads a network file and reports what in it would break a simulation run, as
// text for a person or as JSON for a script. Used in the main thread.
#include "common/BoundingBox.h"
#include "tools/CommandLine.h"

#include <QString>
#include <QStringList>

class CheckCommand
{
public:
    enum Status { Clean = 0, Unreadable = 1, UsageError = CommandLine::usageStatus, Findings = 4 };

    CheckCommand();

    // Reads the arguments (the program's first) and checks the file they name: the exit
    // status, also of --help, --version or a usage error, which end the program at once.
    int exec(const QStringList& arguments);

private:
    // What the command line asks for.
    struct Settings
    {
        QString path;
        bool json = false;
        bool boxGiven = false;
        BoundingBox box;
    };

    void addOptions(QCommandLineParser& options);
    bool readSettings(const QStringList& arguments, int& status);
    int run() const;

    CommandLine commandLine;
    Settings settings;
};

#endif
