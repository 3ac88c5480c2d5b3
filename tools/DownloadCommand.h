#ifndef TOOLS_DOWNLOADCOMMAND_H
#define TOOLS_DOWNLOADCOMMAND_H

// pelagor-download: the processing run of "Start Download" (or "Download again") without a
// window, for a box given on the command line, in the working directory. Used in the main
// thread under a QCoreApplication, whose event loop the run uses.
#include "download/DownloadSource.h"
#include "download/FetchMode.h"
#include "tools/CommandLine.h"
#include "tools/NetworkFileOptions.h"

#include <QRectF>
#include <QStringList>

class DownloadCommand
{
public:
    DownloadCommand();

    // Reads the arguments (the program's first) and runs the download they ask for: the exit
    // status, also of --help, --version or a usage error, which end the program at once.
    int exec(const QStringList& arguments);

private:
    // What the command line asks for.
    struct Settings
    {
        DownloadSource source = DownloadSource::Api;
        FetchMode mode = FetchMode::UseFilesOnDisk;
        QRectF area;
        NetworkFileOptions file;
    };

    void addOptions(QCommandLineParser& options);
    bool readSettings(const QStringList& arguments, int& status);
    int run();

    CommandLine commandLine;
    Settings settings;
};

#endif
