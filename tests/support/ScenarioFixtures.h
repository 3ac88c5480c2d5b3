#ifndef TESTS_SUPPORT_SCENARIOFIXTURES_H
#define TESTS_SUPPORT_SCENARIOFIXTURES_H

// The `fixtures` file of a scenario folder: files that many scenarios share (the fixtures of
// tests/data, the golden files of tests/golden), named instead of copied. One line each, words
// split at blanks, `#` starting a comment line. A SOURCE is relative to the scenario folder (as
// the `data` line of `server` is); an AT or a PATH is relative to the working directory.
//
// Before the run, after `input/` is copied, in the order of the lines:
//   place SOURCE [AT]   the file SOURCE, or every file below the folder SOURCE, copied to AT.
//                       For a folder, AT is the folder its files go to with their relative
//                       paths ("." when absent); for a file, the copy's path (its own name in
//                       "." when absent, its own name in that folder when AT ends with "/").
//   old SOURCE [AT]     the same, each file an older copy of the OSM file SOURCE, which a
//                       server serving SOURCE would not give: the line "<!-- an old copy -->"
//                       comes before the closing "</osm>".
//   cut SOURCE [AT]     the same, each file cut to its first half, as a crash while writing leaves it.
//   osmium SOURCE AT [FORMAT]
//                       the OSM file SOURCE written to AT by `osmium cat`, in osmium's FORMAT (pbf,
//                       osh.pbf, osm.gz, ...) or else the format AT's name says: a PBF or gzip
//                       file made from an XML fixture, say.
//   link TARGET AT      a symbolic link AT to TARGET (as written, relative to AT's folder); after
//                       the run it must still be that link. `files` does not list links.
// After the run:
//   keep PATH...        each file PATH, or each file below the folder PATH, holds the bytes it
//                       held before the run.
//   same PATH SOURCE    the file PATH (a name as `files` lists it) holds the bytes of the file SOURCE.
// A piece that `keep` or `same` speaks of is not also held to the server's piece. The update run
// never rewrites what these lines name (fixtures are inputs, golden files are shared): it
// reports where they differ.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class ScenarioFixtures
{
public:
    // Reads the folder's `fixtures` file (none: no lines). False, with `problem` told, for a
    // line that is not one.
    bool load(const QString& scenarioFolder, QString& problem);
    // Places the files of the lines before the run into `workDir`, then notes the bytes of the
    // files that `keep` names. False, with `problem` told, when a line cannot be carried out.
    bool prepare(const QString& workDir, QString& problem);
    // The checks after the run; `actualPaths` maps each file's name as `files` lists it to its
    // path below `workDir`.
    void compare(const QString& workDir, const QHash<QString, QString>& actualPaths, QString& report) const;
    // True when a line checks the file of that name (as `files` lists it) after the run.
    bool checks(const QString& name) const;

private:
    struct Line
    {
        int number = 0;
        QString verb;
        QStringList words;
    };
    bool place(const Line& line, const QString& workDir, QString& problem) const;
    bool convert(const Line& line, const QString& from, const QString& to, QString& problem) const;
    bool noteKept(const Line& line, const QString& workDir, QString& problem);
    QString source(const QString& word) const;

    QString folder;
    QList<Line> lines;
    QHash<QString, QByteArray> kept;     // path -> its bytes before the run
    QSet<QString> sameNames;             // the names that `same` checks
};

#endif
