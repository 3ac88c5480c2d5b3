#ifndef TOOLS_COMMANDLINE_H
#define TOOLS_COMMANDLINE_H

// The one parser of Pelagor's command-line programs and their conventions, on
// QCommandLineParser: options anywhere before "--", -h/--help and --version, the help text
// from the options' own texts, and a usage error as one line on the standard error stream
// that names the program, with exit status 2. A program's command adds its options to
// options() before parse() and reads them from it afterwards. Used in the main thread.
#include "common/BoundingBox.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <cstdio>

class CommandLine
{
public:
    static constexpr int usageStatus = 2;

    // `program` opens the lines it prints; `description` and `epilog` frame the option list of
    // --help (the epilog says what the exit statuses mean).
    CommandLine(const QString& program, const QString& version, const QString& description, const QString& epilog);

    // The parser to add options and positional arguments to before parse().
    QCommandLineParser& options() { return parser; }
    // False when the program is to end at once with `status`: 0 after --help or --version, 2
    // after a usage error (already reported).
    bool parse(const QStringList& arguments, int& status);
    // Reports a usage error: "program: text" on the standard error stream; returns 2.
    int usageError(const QString& text) const;
    // The box of --bbox W,S,E,N into `box`, with `given` set when the option is there. False
    // after a usage error (reported) for a text that is no box on Earth.
    bool boxOption(BoundingBox& box, bool& given) const;
    // Writes `text` to the log's stream (a log line, say) and flushes it: the standard output,
    // unless the network file goes there.
    static void print(const QString& text);
    // From now on the log goes to the standard error stream.
    static void sendLogToStandardError() { logStream = stderr; }
    static std::FILE* log() { return logStream; }
    static void printError(const QString& text);

private:
    static std::FILE* logStream;
    QString program;
    QString version;
    QString epilog;
    QCommandLineParser parser;
};

#endif
