#ifndef TOOLS_EXTRACTCOMMAND_H
#define TOOLS_EXTRACTCOMMAND_H

// pelagor-extract: turns OpenStreetMap files already on disk into the network file, exactly
// as the window's run does after a download. Used in the main thread under a
// QCoreApplication.
#include "common/BoundingBox.h"
#include "extraction/OSMFileFormat.h"
#include "tools/CommandLine.h"
#include "tools/NetworkFileOptions.h"

#include <QStringList>

class ExtractCommand
{
public:
    ExtractCommand();

    // Reads the arguments (the program's first) and runs the extraction they ask for: the exit
    // status, also of --help, --version or a usage error, which end the program at once.
    int exec(const QStringList& arguments);

private:
    // What the command line asks for.
    struct Settings
    {
        QStringList paths;
        bool clip = false;
        BoundingBox box;
        OSMFileFormat::Kind format = OSMFileFormat::Unknown;
        NetworkFileOptions file;
        bool progress = false;
    };

    void addOptions(QCommandLineParser& options);
    bool readSettings(const QStringList& arguments, int& status);
    // Where an input that cannot be read twice is copied.
    QString copyFolder() const;
    bool checkPaths() const;
    int run();

    CommandLine commandLine;
    Settings settings;
};

#endif
