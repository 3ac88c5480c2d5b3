#ifndef TESTS_SUPPORT_SCENARIO_H
#define TESTS_SUPPORT_SCENARIO_H

// One command test kept as data: a folder under tests/scenarios/ that names a command, the
// files it starts with, and what it must print, return and leave behind. run() carries it
// out in a fresh temporary working directory and says, readably, what differed.
//
// The folder holds `command` (lines that begin with "#" saying what the scenario shows, and
// one line: the program and its arguments, split at blanks, double quotes grouping words),
// and optionally `input/` (copied into the working directory first), `exit` (the exit status, default 0), `stdout` and `stderr` (the output
// after normalisation; an absent file means no output at all), `files` (every regular file
// of the working directory afterwards, one relative path a line, sorted), `expected/` (files
// whose bytes must equal those at the same relative path), `server`
// (the answers of a fake editing API and Overpass interpreter, see ScenarioServer.h; the
// program finds them through PELAGOR_API_URL and PELAGOR_OVERPASS_URL), `requests` (the
// requests they must get, one a line in order; an empty file for none) and `fixtures` (shared
// files of tests/ that the folder names instead of holding copies: placed before the run,
// compared after it; see ScenarioFixtures.h). A piece file that the run leaves in data/download/
// under the name of a piece the server's data holds must be that piece byte for byte, unless
// `expected/` or `fixtures` says what it holds: such a piece needs no copy in `expected/`, and
// `files` tells that it is there. `environment` holds NAME=VALUE
// lines set for the program after the servers' addresses (a broken address, say); `fifo` names
// paths of the working directory, one a line, that are FIFOs while the program runs and are
// read as it writes (see ScenarioFifo.h): afterwards each must still be a FIFO, and stands as a
// regular file of what was read for `files` and `expected/`. `stdin` names a file of the working
// directory (placed by `input/` or `fixtures`) that the program reads through a pipe as its
// standard input. `then` holds commands run one after another in the working directory once the
// program has ended (osmium reading what it wrote, say), split as `command` is; a line that
// begins with "| " gets the program's standard output as its standard input, which is then
// compared by no `stdout`. What they print (each after "$ " and its line) is `then-output`, and
// the files they write count for `files`, `expected/` and `fixtures` like the program's own.
// Outputs and file names are normalised: the working directory's absolute path becomes ".",
// a local date and time "YYYY-MM-DD_hh-mm-ss" becomes "<date>_<time>", and the progress dots
// of a request line become one dot (followed by " Done" when the line had one).
#include <QHash>
#include <QString>
#include <QStringList>

class QProcess;
class ScenarioFixtures;
class ScenarioServer;

class Scenario
{
public:
    // `programs` maps the program names a command may use to their paths in the build tree.
    Scenario(const QString& folder, const QHash<QString, QString>& programs);

    // True when every check held; otherwise `report` tells each difference.
    // With `update`, the outputs of the run become the folder's expected ones instead.
    bool run(QString& report, bool update);

    // The words of a command line: split at blanks, double quotes group words (and are
    // dropped). False for an unclosed quote.
    static bool splitCommand(const QString& line, QStringList& words);
    // The one normalisation of outputs and file names, for a run in the working directory
    // whose spellings (as made, and canonical) are `workDirs`.
    static QString normalise(const QString& text, const QStringList& workDirs);

private:
    // Checks the folder's entries and reads its command and its `fixtures`.
    bool prepare(QStringList& words, QString& program, ScenarioFixtures& fixtures, QString& report) const;
    // Runs the program in the working directory with the scenario's environment: LC_ALL=C.UTF-8,
    // QT_QPA_PLATFORM=offscreen and HOME in a folder of its own. False when it did not run or crashed.
    // `settings` are NAME=VALUE lines set after the servers' addresses.
    // `input`, when given, is written into the program's standard input, a pipe.
    static bool execute(QProcess& process, const QString& program, const QStringList& arguments,
                        const QString& workDir, const QString& homeDir, const ScenarioServer* server,
                        const QStringList& settings, const QByteArray* input, QString& report);
    // Runs the commands of `then` and compares what they print; true when one of them read the
    // program's standard output.
    bool runThen(const QString& workDir, const QStringList& workDirs, const QByteArray& programOutput,
                 QString& report, bool update) const;
    void compareText(const QString& name, const QString& actual, QString& report, bool update) const;
    void compareRequests(const ScenarioServer& server, QString& report, bool update) const;
    void compareFiles(const QString& workDir, const QStringList& workDirs, const ScenarioFixtures& fixtures,
                      QString& report, bool update) const;
    void comparePieces(const QString& workDir, const ScenarioServer& server, const ScenarioFixtures& fixtures,
                       QString& report) const;

    QString folder;
    QHash<QString, QString> programs;
};

#endif
