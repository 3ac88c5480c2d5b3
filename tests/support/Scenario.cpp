#include "tests/support/Scenario.h"

#include "tests/support/LineDiff.h"
#include "tests/support/ScenarioFifo.h"
#include "tests/support/ScenarioFiles.h"
#include "tests/support/ScenarioFixtures.h"
#include "tests/support/ScenarioServer.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace {

// What a scenario folder may hold; anything else is a mistake (a misspelt `stdout`, or a
// part that this driver does not carry out yet) and fails the scenario.
const QStringList knownEntries = {"command",     "input", "exit", "stdout", "stderr",     "files",
                                  "expected",    "server", "requests", "fixtures", "fifo",
                                  "environment", "stdin",  "then",   "then-output"};

// The non-empty lines of a file of the folder; none when it is absent.
QStringList linesOf(const QString& path)
{
    QByteArray content;
    ScenarioFiles::read(path, content);
    return QString::fromUtf8(content).split('\n', Qt::SkipEmptyParts);
}

bool copyTree(const QString& from, const QString& to)
{
    for (const QString& relative : ScenarioFiles::below(from)) {
        QDir().mkpath(QFileInfo(to + "/" + relative).path());
        if (!QFile::copy(from + "/" + relative, to + "/" + relative))
            return false;
    }
    return true;
}

} // namespace

Scenario::Scenario(const QString& folder, const QHash<QString, QString>& programs)
    : folder(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()))
{
    // The command runs in another directory: programs given relative to this one are made absolute.
    for (auto it = programs.begin(); it != programs.end(); ++it)
        this->programs.insert(it.key(), QFileInfo(it.value()).absoluteFilePath());
}

bool Scenario::splitCommand(const QString& line, QStringList& words)
{
    words.clear();
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true; // "" is an empty word
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    return !quoted;
}

QString Scenario::normalise(const QString& text, const QStringList& workDirs)
{
    static const QRegularExpression dateTime("\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2}");
    QString result = text;
    // The longest spelling first: a canonical path may extend the one given.
    QStringList dirs = workDirs;
    std::sort(dirs.begin(), dirs.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& dir : dirs)
        result.replace(dir, ".");
    result.replace(dateTime, "<date>_<time>");
    // The progress of a request comes in as many dots as Qt's reports happen to be, and the last
    // report may come twice: one dot, and one " Done" when there was one.
    static const QRegularExpression progress("(Request: \"[^\"\n]*\" (?:\\([^)\n]*\\) )?)((?:\\.| Done)+)");
    QString normalised;
    int last = 0;
    QRegularExpressionMatchIterator it = progress.globalMatch(result);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        normalised += result.mid(last, match.capturedStart(2) - last);
        normalised += match.captured(2).contains("Done") ? ". Done" : ".";
        last = match.capturedEnd(2);
    }
    normalised += result.mid(last);
    // Qt may report a reply's last progress again after it ended the line: a line of its own.
    static const QRegularExpression repeatedProgress("^(?:\\.| Done)+\n", QRegularExpression::MultilineOption);
    return normalised.remove(repeatedProgress);
}

bool Scenario::prepare(QStringList& words, QString& program, ScenarioFixtures& fixtures, QString& report) const
{
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& entry : entries)
        if (!knownEntries.contains(entry))
            report += QString("unknown entry \"%1\" in the scenario folder\n").arg(entry);
    if (!report.isEmpty())
        return false;
    QByteArray commandText;
    const bool read = ScenarioFiles::read(folder + "/command", commandText);
    // Lines that begin with "#" say what the scenario shows; the one other line is the command.
    QStringList commandLines;
    for (const QString& text : QString::fromUtf8(commandText).split('\n'))
        if (!text.startsWith('#') && !text.trimmed().isEmpty())
            commandLines << text.trimmed();
    const QString line = commandLines.value(0);
    if (!read || commandLines.size() != 1 || !splitCommand(line, words) || words.isEmpty()) {
        report = "command: not one line of a program and its arguments\n";
        return false;
    }
    program = programs.value(words.front());
    if (program.isEmpty()) {
        QStringList names = programs.keys();
        names.sort();
        report = QString("command: unknown program \"%1\" (known: %2)\n").arg(words.front(), names.join(", "));
        return false;
    }
    return fixtures.load(folder, report);
}

bool Scenario::execute(QProcess& process, const QString& program, const QStringList& arguments,
                       const QString& workDir, const QString& homeDir, const ScenarioServer* server,
                       const QStringList& settings, const QByteArray* input, QString& report)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("HOME", homeDir);
    if (server) {
        const QString base = QString("http://127.0.0.1:%1").arg(server->port());
        environment.insert("PELAGOR_API_URL", base + "/api/0.6/map");
        environment.insert("PELAGOR_OVERPASS_URL", base + "/api/interpreter");
    }
    for (const QString& setting : settings)
        environment.insert(setting.section('=', 0, 0), setting.section('=', 1));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workDir);
    if (!input)
        process.setStandardInputFile(QProcess::nullDevice());
    // The fake servers answer from this thread's event loop while the program runs.
    QEventLoop loop;
    QObject::connect(&process, SIGNAL(finished(int, QProcess::ExitStatus)), &loop, SLOT(quit()));
    QObject::connect(&process, SIGNAL(errorOccurred(QProcess::ProcessError)), &loop, SLOT(quit()));
    process.start(program, arguments);
    if (input) {
        // A pipe, written from the event loop as the program reads it.
        process.write(*input);
        process.closeWriteChannel();
    }
    loop.exec();
    if (process.state() != QProcess::NotRunning)
        process.waitForFinished(-1);
    if (process.error() == QProcess::FailedToStart) {
        report = QString("%1 did not run: %2\n").arg(program, process.errorString());
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit) {
        report = QString("%1 crashed\n%2").arg(program, QString::fromUtf8(process.readAllStandardError()));
        return false;
    }
    return true;
}

bool Scenario::run(QString& report, bool update)
{
    report.clear();
    QStringList words;
    QString program;
    ScenarioFixtures fixtures;
    if (!prepare(words, program, fixtures, report))
        return false;

    QTemporaryDir work;
    QTemporaryDir home;
    if (!work.isValid() || !home.isValid()
        || (QFileInfo(folder + "/input").isDir() && !copyTree(folder + "/input", work.path()))) {
        report = "cannot prepare the working directory\n";
        return false;
    }
    if (!fixtures.prepare(work.path(), report))
        return false;
    const QStringList workDirs = {work.path(), QFileInfo(work.path()).canonicalFilePath()};
    QByteArray standardInput;
    const QStringList stdinNames = linesOf(folder + "/stdin");
    if (!stdinNames.isEmpty() && !ScenarioFiles::read(work.path() + "/" + stdinNames.front(), standardInput)) {
        report = QString("stdin: no file \"%1\" in the working directory\n").arg(stdinNames.front());
        return false;
    }

    std::unique_ptr<ScenarioServer> server;
    if (QFileInfo(folder + "/server").isFile()) {
        server.reset(new ScenarioServer);
        if (!server->load(folder, report) || !server->listen()) {
            report += "cannot start the scenario's server\n";
            return false;
        }
    }

    std::vector<std::unique_ptr<ScenarioFifo>> fifos;
    for (const QString& name : linesOf(folder + "/fifo")) {
        fifos.emplace_back(new ScenarioFifo(work.path() + "/" + name));
        if (!fifos.back()->open(report))
            return false;
    }
    QProcess process;
    if (!execute(process, program, words.mid(1), work.path(), home.path(), server.get(), linesOf(folder + "/environment"),
                 stdinNames.isEmpty() ? nullptr : &standardInput, report))
        return false;
    for (const std::unique_ptr<ScenarioFifo>& fifo : fifos)
        fifo->finish(report);
    const QByteArray standardOutput = process.readAllStandardOutput();
    const bool piped = runThen(work.path(), workDirs, standardOutput, report, update);
    if (server)
        compareRequests(*server, report, update);

    const QString actualExit = QString("%1\n").arg(process.exitCode());
    // Exit status 0 is written as no `exit` file.
    if (update && actualExit == "0\n")
        QFile::remove(folder + "/exit");
    else
        compareText("exit", actualExit, report, update);
    // Output that went into a command of `then` is data, not the log.
    if (!piped)
        compareText("stdout", normalise(QString::fromUtf8(standardOutput), workDirs), report, update);
    compareText("stderr", normalise(QString::fromUtf8(process.readAllStandardError()), workDirs), report, update);
    compareFiles(work.path(), workDirs, fixtures, report, update);
    if (server)
        comparePieces(work.path(), *server, fixtures, report);
    return report.isEmpty();
}

bool Scenario::runThen(const QString& workDir, const QStringList& workDirs, const QByteArray& programOutput,
                       QString& report, bool update) const
{
    bool piped = false;
    QString output;
    for (const QString& line : linesOf(folder + "/then")) {
        QStringList words;
        if (!splitCommand(line, words) || words.isEmpty()) {
            report += QString("then: \"%1\" is no command\n").arg(line);
            continue;
        }
        const bool pipe = words.front() == "|";
        if (pipe)
            words.removeFirst();
        piped = piped || pipe;
        QProcess command;
        command.setWorkingDirectory(workDir);
        command.setProcessChannelMode(QProcess::MergedChannels);
        command.start(programs.value(words.value(0), words.value(0)), words.mid(1));
        if (pipe)
            command.write(programOutput);
        command.closeWriteChannel();
        if (!command.waitForFinished(-1) || command.exitStatus() != QProcess::NormalExit) {
            report += QString("then: \"%1\" did not run: %2\n").arg(line, command.errorString());
            continue;
        }
        output += QString("$ %1\n").arg(line) + normalise(QString::fromUtf8(command.readAll()), workDirs);
        if (command.exitCode() != 0)
            output += QString("(exit status %1)\n").arg(command.exitCode());
    }
    if (QFileInfo(folder + "/then").isFile())
        compareText("then-output", output, report, update);
    return piped;
}

void Scenario::compareRequests(const ScenarioServer& server, QString& report, bool update) const
{
    for (const QString& request : server.unanswered())
        report += QString("no rule of `server` answers the request %1\n").arg(request);
    // Only where the folder has a `requests` file: where Qt itself asks again (a connection
    // closed by the server), the requests are not the same from run to run.
    if (!QFileInfo(folder + "/requests").isFile())
        return;
    const QString listing = server.requests().isEmpty() ? QString() : server.requests().join('\n') + '\n';
    QByteArray expected;
    ScenarioFiles::read(folder + "/requests", expected);
    if (update)
        ScenarioFiles::write(folder + "/requests", listing.toUtf8());
    else if (!LineDiff::of(QString::fromUtf8(expected), listing).isEmpty())
        report += QString("requests differ (- expected, + actual):\n%1")
                      .arg(LineDiff::of(QString::fromUtf8(expected), listing));
}

void Scenario::compareText(const QString& name, const QString& actual, QString& report, bool update) const
{
    const QString path = folder + "/" + name;
    QByteArray expected;
    const bool present = ScenarioFiles::read(path, expected);
    if (update) {
        if (actual.isEmpty())
            QFile::remove(path);
        else
            ScenarioFiles::write(path, actual.toUtf8());
        return;
    }
    // An absent file stands for nothing at all; the exit status defaults to 0.
    if (!present && name == "exit")
        expected = "0\n";
    const QString diff = LineDiff::of(QString::fromUtf8(expected), actual);
    if (!diff.isEmpty())
        report += QString("%1 differs (- expected, + actual):\n%2").arg(name, diff);
}

void Scenario::compareFiles(const QString& workDir, const QStringList& workDirs, const ScenarioFixtures& fixtures,
                            QString& report, bool update) const
{
    QHash<QString, QString> actualPaths; // normalised name -> name on disk
    QString listing;
    for (const QString& relative : ScenarioFiles::below(workDir)) {
        const QString name = normalise(relative, workDirs);
        actualPaths.insert(name, relative);
        listing += name + "\n";
    }
    if (QFileInfo(folder + "/files").isFile() || update) {
        QByteArray expected;
        ScenarioFiles::read(folder + "/files", expected);
        if (update)
            ScenarioFiles::write(folder + "/files", listing.toUtf8());
        const QString diff = update ? QString() : LineDiff::of(QString::fromUtf8(expected), listing);
        if (!diff.isEmpty())
            report += QString("files differ (- expected, + actual):\n%1").arg(diff);
    }
    const QString expectedRoot = folder + "/expected";
    for (const QString& name : ScenarioFiles::below(expectedRoot)) {
        QByteArray expected;
        QByteArray actual;
        ScenarioFiles::read(expectedRoot + "/" + name, expected);
        if (!actualPaths.contains(name) || !ScenarioFiles::read(workDir + "/" + actualPaths.value(name), actual)) {
            report += QString("expected/%1: no such file after the run\n").arg(name);
            continue;
        }
        if (update) {
            ScenarioFiles::write(expectedRoot + "/" + name, actual);
        } else if (actual != expected) {
            report += QString("expected/%1 differs (- expected, + actual):\n%2")
                          .arg(name, LineDiff::of(QString::fromUtf8(expected), QString::fromUtf8(actual)));
        }
    }
    fixtures.compare(workDir, actualPaths, report);
}

void Scenario::comparePieces(const QString& workDir, const ScenarioServer& server, const ScenarioFixtures& fixtures,
                             QString& report) const
{
    const QDir pieces(workDir + "/data/download");
    for (const QString& name : pieces.entryList({"*.osm"}, QDir::Files, QDir::Name)) {
        if (QFileInfo(folder + "/expected/data/download/" + name).exists() || fixtures.checks("data/download/" + name))
            continue;
        const QByteArray served = server.piece(name.chopped(4));
        QByteArray stored;
        if (!served.isEmpty() && (!ScenarioFiles::read(pieces.filePath(name), stored) || stored != served))
            report += QString("data/download/%1 is not the piece the server holds (%2 bytes, %3 served)\n")
                          .arg(name)
                          .arg(stored.size())
                          .arg(served.size());
    }
}
