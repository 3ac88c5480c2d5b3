#include "tests/support/ScenarioFixtures.h"

#include "tests/support/LineDiff.h"
#include "tests/support/OsmiumCheck.h"
#include "tests/support/ScenarioFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

// The number of words after the verb that each kind of line takes: at least, at most (-1: any).
struct Arity
{
    int least;
    int most;
};
const QHash<QString, Arity> verbs = {{"place", {1, 2}}, {"old", {1, 2}}, {"cut", {1, 2}},
                                     {"keep", {1, -1}}, {"same", {2, 2}}, {"osmium", {2, 3}}, {"link", {2, 2}}};

const QByteArray oldCopyMark = "<!-- an old copy -->\n";

// A path of the working directory, or an empty one when `relative` leads out of it.
QString inside(const QString& workDir, const QString& relative)
{
    const QString path = QDir::cleanPath(workDir + "/" + relative);
    return path == workDir || path.startsWith(workDir + "/") ? path : QString();
}

} // namespace

bool ScenarioFixtures::load(const QString& scenarioFolder, QString& problem)
{
    folder = scenarioFolder;
    if (!QFileInfo(folder + "/fixtures").exists())
        return true;
    QByteArray content;
    if (!ScenarioFiles::read(folder + "/fixtures", content)) {
        problem = "fixtures: cannot be read\n";
        return false;
    }
    const QStringList texts = QString::fromUtf8(content).split('\n');
    for (int i = 0; i < texts.size(); ++i) {
        const QStringList words = texts[i].simplified().split(' ', Qt::SkipEmptyParts);
        if (words.isEmpty() || words.first().startsWith('#'))
            continue;
        const Arity arity = verbs.value(words.first(), {-1, -1});
        const int count = words.size() - 1;
        if (arity.least < 0 || count < arity.least || (arity.most >= 0 && count > arity.most)) {
            problem = QString("fixtures, line %1: not a line: %2\n").arg(i + 1).arg(texts[i]);
            return false;
        }
        Line line;
        line.number = i + 1;
        line.verb = words.first();
        line.words = words.mid(1);
        if (line.verb == "same")
            sameNames.insert(line.words[0]);
        lines << line;
    }
    return true;
}

QString ScenarioFixtures::source(const QString& word) const
{
    return QDir::cleanPath(QDir(folder).absoluteFilePath(word));
}

bool ScenarioFixtures::prepare(const QString& workDir, QString& problem)
{
    // Every file is in place before `keep` notes what it holds.
    for (const Line& line : lines) {
        if (line.verb == "link") {
            const QString at = inside(workDir, line.words[1]);
            if (at.isEmpty() || !QFile::link(line.words[0], at)) {
                problem = QString("fixtures line %1: cannot make the link %2\n").arg(line.number).arg(line.words[1]);
                return false;
            }
        } else if (line.verb != "keep" && line.verb != "same" && !place(line, workDir, problem)) {
            return false;
        }
    }
    for (const Line& line : lines)
        if (line.verb == "keep" && !noteKept(line, workDir, problem))
            return false;
    return true;
}

bool ScenarioFixtures::place(const Line& line, const QString& workDir, QString& problem) const
{
    const QString from = source(line.words[0]);
    const QString at = line.words.value(1);
    const QFileInfo info(from);
    QStringList relatives; // below `from`, or "" for the file itself
    QString target;        // the folder that receives them, or the copy's path
    if (info.isDir()) {
        relatives = ScenarioFiles::below(from);
        target = at.isEmpty() ? "." : at;
    } else if (info.isFile()) {
        relatives << QString();
        target = at.isEmpty() || at.endsWith('/') ? at + info.fileName() : at;
    } else {
        problem = QString("fixtures, line %1: no file or folder %2\n").arg(line.number).arg(line.words[0]);
        return false;
    }
    if (line.verb == "osmium")
        return convert(line, from, inside(workDir, at), problem);
    for (const QString& relative : relatives) {
        const QString to = inside(workDir, relative.isEmpty() ? target : target + "/" + relative);
        QByteArray content;
        if (to.isEmpty() || QFileInfo::exists(to)) {
            problem = QString("fixtures, line %1: %2 is outside the working directory or there already\n")
                          .arg(line.number)
                          .arg(relative.isEmpty() ? target : target + "/" + relative);
            return false;
        }
        if (!ScenarioFiles::read(relative.isEmpty() ? from : from + "/" + relative, content)) {
            problem = QString("fixtures, line %1: cannot read %2\n").arg(line.number).arg(line.words[0]);
            return false;
        }
        if (line.verb == "old") {
            const int end = content.lastIndexOf("</osm>");
            if (end < 0) {
                problem = QString("fixtures, line %1: no \"</osm>\" in %2\n").arg(line.number).arg(line.words[0]);
                return false;
            }
            content.insert(end, oldCopyMark);
        } else if (line.verb == "cut") {
            content.truncate(content.size() / 2);
        }
        if (!ScenarioFiles::write(to, content)) {
            problem = QString("fixtures, line %1: cannot write %2\n").arg(line.number).arg(QDir(workDir).relativeFilePath(to));
            return false;
        }
    }
    return true;
}

bool ScenarioFixtures::convert(const Line& line, const QString& from, const QString& to, QString& problem) const
{
    if (!QFileInfo(from).isFile() || to.isEmpty() || QFileInfo::exists(to)) {
        problem = QString("fixtures, line %1: no file %2, or %3 is outside the working directory or there already\n")
                      .arg(line.number)
                      .arg(line.words[0], line.words[1]);
        return false;
    }
    if (OsmiumCheck::program().isEmpty()) {
        problem = QString("fixtures, line %1: osmium is not installed\n").arg(line.number);
        return false;
    }
    QProcess osmium;
    // Without FORMAT, osmium takes the format from the name of AT.
    QStringList arguments{"cat", "--no-progress", "-o", to, from};
    if (line.words.size() > 2)
        arguments << "-f" << line.words[2];
    osmium.start(OsmiumCheck::program(), arguments);
    if (!osmium.waitForFinished(120000) || osmium.exitStatus() != QProcess::NormalExit || osmium.exitCode() != 0) {
        osmium.kill();
        osmium.waitForFinished();
        problem = QString("fixtures, line %1: osmium cat to %2 failed: %3\n")
                      .arg(line.number)
                      .arg(line.words.value(2, line.words[1]), QString::fromUtf8(osmium.readAllStandardError()).trimmed());
        return false;
    }
    return true;
}

bool ScenarioFixtures::noteKept(const Line& line, const QString& workDir, QString& problem)
{
    for (const QString& word : line.words) {
        const QString path = inside(workDir, word);
        const QString relative = path.isEmpty() ? QString() : QDir(workDir).relativeFilePath(path);
        QStringList files;
        if (QFileInfo(path).isFile())
            files << relative;
        else if (QFileInfo(path).isDir())
            for (const QString& below : ScenarioFiles::below(path))
                files << relative + "/" + below;
        if (files.isEmpty()) {
            problem = QString("fixtures, line %1: keep %2: no such file before the run\n").arg(line.number).arg(word);
            return false;
        }
        for (const QString& file : files) {
            QByteArray content;
            ScenarioFiles::read(workDir + "/" + file, content);
            kept.insert(file, content);
        }
    }
    return true;
}

void ScenarioFixtures::compare(const QString& workDir, const QHash<QString, QString>& actualPaths, QString& report) const
{
    QStringList keptFiles = kept.keys();
    keptFiles.sort();
    for (const QString& file : keptFiles) {
        QByteArray after;
        if (!QFileInfo(workDir + "/" + file).isFile() || !ScenarioFiles::read(workDir + "/" + file, after))
            report += QString("keep %1: no such file after the run\n").arg(file);
        else if (after != kept.value(file))
            report += QString("keep %1: not the bytes it held before the run (- before, + after):\n%2")
                          .arg(file, LineDiff::of(QString::fromUtf8(kept.value(file)), QString::fromUtf8(after)));
    }
    for (const Line& line : lines) {
        if (line.verb == "link") {
            const QFileInfo link(workDir + "/" + line.words[1]);
            if (!link.isSymLink() || link.symLinkTarget() != QFileInfo(link.path() + "/" + line.words[0]).absoluteFilePath())
                report += QString("link %1: no longer a symbolic link to %2 after the run\n")
                              .arg(line.words[1], line.words[0]);
        }
        if (line.verb != "same")
            continue;
        const QString& name = line.words[0];
        QByteArray expected;
        QByteArray actual;
        if (!ScenarioFiles::read(source(line.words[1]), expected)) {
            report += QString("same %1: cannot read %2\n").arg(name, line.words[1]);
        } else if (!actualPaths.contains(name) || !ScenarioFiles::read(workDir + "/" + actualPaths.value(name), actual)) {
            report += QString("same %1: no such file after the run\n").arg(name);
        } else if (actual != expected) {
            report += QString("same %1 differs from %2 (- expected, + actual):\n%3")
                          .arg(name, line.words[1],
                               LineDiff::of(QString::fromUtf8(expected), QString::fromUtf8(actual)));
        }
    }
}

bool ScenarioFixtures::checks(const QString& name) const
{
    return kept.contains(name) || sameNames.contains(name);
}
