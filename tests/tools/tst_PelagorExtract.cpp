#include "tests/support/OsmiumCheck.h"
#include "tests/support/TestWorkDir.h"

#include <QProcess>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// pelagor-extract as a separate process, for what its scenarios (tests/scenarios/extract-*)
// cannot hold: the version of the build, inputs made from the fixtures in the test (PBF and
// compressed copies under names that do not tell), the standard input, a terminal, names of
// the coming seconds and a file size limit.
class tst_PelagorExtract : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void version();
    void formats_data();
    void formats();
    void progressBar_data();
    void progressBar();
    void neverOverwrites();
    void diskFullLeavesNoPartialFile();

private:
    struct Run
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };
    Run run(const QStringList& arguments, const QString& shellPrefix = QString());
    // Runs the program with its standard error on a pseudo terminal, whose output is returned
    // in `err`; the standard output goes to a file.
    Run runOnTerminal(const QStringList& arguments);
    QStringList comp() const;

    QTemporaryDir inputs;
    TestWorkDir* work = nullptr;
};

namespace {

const QString program = QStringLiteral(PELAGOR_BINARY_DIR "/tools/pelagor-extract");
const QString fixtures = QStringLiteral(PELAGOR_SOURCE_DIR "/tests/data/moscow-selection");
const QString piece = QStringLiteral(PELAGOR_SOURCE_DIR "/tests/data/moscow-selection/37.585-55.806-37.595-55.816.osm");

QString osmiumCat(const QString& from, const QString& to)
{
    QProcess process;
    process.start(OsmiumCheck::program(), {"cat", "-O", "-o", to, from});
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString::fromUtf8(process.readAllStandardError()) + "osmium cat failed";
    return QString();
}

} // namespace

void tst_PelagorExtract::initTestCase()
{
    if (OsmiumCheck::program().isEmpty())
        QFAIL("osmium (Debian package osmium-tool) is not installed; scripts/install-deps installs it");
    QVERIFY(inputs.isValid());
    // Each format under a name of its own kind, then copied under names that say another.
    for (const char* suffix : {".osm.pbf", ".osm.gz", ".osm.bz2"})
        QCOMPARE(osmiumCat(piece, inputs.filePath(QString("piece") + suffix)), QString());
    const QStringList copies[] = {
        {"piece.osm.pbf", "pbf-named.osm"}, {"piece.osm.pbf", "pbf-named.pbf"}, {"piece.osm.gz", "gzip-named.osm"},
        {"piece.osm.bz2", "bzip2-named.osm.gz"}, {"piece.osm.gz", "gzip-named.bin"},
    };
    for (const QStringList& copy : copies)
        QVERIFY(QFile::copy(inputs.filePath(copy[0]), inputs.filePath(copy[1])));
    QVERIFY(QFile::copy(piece, inputs.filePath("xml-named.osm.pbf")));
    QVERIFY(QFile::copy(piece, inputs.filePath("xml-named.osm.bz2")));
}

void tst_PelagorExtract::init()
{
    work = new TestWorkDir;
    QVERIFY(work->isValid());
}

void tst_PelagorExtract::cleanup()
{
    delete work;
    work = nullptr;
}

tst_PelagorExtract::Run tst_PelagorExtract::run(const QStringList& arguments, const QString& shellPrefix)
{
    QProcess process;
    if (shellPrefix.isEmpty()) {
        process.start(program, arguments);
    } else {
        QStringList quoted;
        for (const QString& a : QStringList(program) + arguments)
            quoted << "'" + a + "'";
        process.start("/bin/sh", {"-c", shellPrefix + " exec " + quoted.join(' ')});
    }
    Run r;
    if (!process.waitForFinished(60000))
        return r;
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}

tst_PelagorExtract::Run tst_PelagorExtract::runOnTerminal(const QStringList& arguments)
{
    Run r;
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return r;
    std::vector<QByteArray> words{QFile::encodeName(program)};
    for (const QString& a : arguments)
        words.push_back(a.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, slave, 2);
    posix_spawn_file_actions_addclose(&actions, master);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(slave);
    if (spawned != 0) {
        ::close(master);
        return r;
    }
    // Read until the child has closed the terminal (EIO then): a full terminal would block it.
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got <= 0)
            break;
        r.err.append(buffer, int(got));
    }
    ::close(master);
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        r.exitCode = WEXITSTATUS(status);
    r.out = TestWorkDir::readFile("stdout.txt");
    QFile::remove("stdout.txt");
    return r;
}

QStringList tst_PelagorExtract::comp() const
{
    return QDir("data/comp").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

void tst_PelagorExtract::version()
{
    // PELAGOR_VERSION is the project version, handed to this test as to the program.
    const Run r = run({"--version"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("pelagor-extract " PELAGOR_VERSION "\n"));
    QVERIFY(r.err.isEmpty());
    QVERIFY(!QDir("data").exists());
}

void tst_PelagorExtract::formats_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("standardInput");
    QTest::newRow("pbf, by its name") << QStringList{"piece.osm.pbf"} << QString();
    QTest::newRow("pbf named .osm: its content") << QStringList{"pbf-named.osm"} << QString();
    QTest::newRow("pbf named .pbf") << QStringList{"pbf-named.pbf"} << QString();
    QTest::newRow("xml named .osm.pbf: its content") << QStringList{"xml-named.osm.pbf"} << QString();
    QTest::newRow("xml named .osm.bz2: its content") << QStringList{"xml-named.osm.bz2"} << QString();
    QTest::newRow("gzip named .osm: its content") << QStringList{"gzip-named.osm"} << QString();
    QTest::newRow("bzip2 named .osm.gz: its content") << QStringList{"bzip2-named.osm.gz"} << QString();
    QTest::newRow("-F for a name that tells nothing") << QStringList{"-F", "osm.gz", "gzip-named.bin"} << QString();
    QTest::newRow("-F pbf, standard input") << QStringList{"-F", "pbf", "-"} << "piece.osm.pbf";
    QTest::newRow("-F osm.bz2, standard input") << QStringList{"--input-format=osm.bz2", "-"} << "piece.osm.bz2";
    QTest::newRow("-F osm, standard input") << QStringList{"-F", "osm", "-"} << "xml-named.osm.pbf";
}

// Whatever the name says, the content is read for what it is, or as -F says: the network is
// byte for byte the one of the plain XML file.
void tst_PelagorExtract::formats()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, standardInput);
    const Run reference = run({"-o", "reference.osm", piece});
    QCOMPARE(reference.exitCode, 0);
    QStringList paths;
    for (const QString& a : arguments)
        paths << (QFileInfo::exists(inputs.filePath(a)) ? inputs.filePath(a) : a);
    QProcess process;
    if (!standardInput.isEmpty())
        process.setStandardInputFile(inputs.filePath(standardInput));
    process.start(program, QStringList{"-o", "network.osm"} + paths);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()), QString());
    QVERIFY(process.readAllStandardOutput().contains("Way count: 21\n"));
    QCOMPARE(TestWorkDir::readFile("network.osm"), TestWorkDir::readFile("reference.osm"));
}

void tst_PelagorExtract::progressBar_data()
{
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("shown");
    QTest::newRow("terminal") << true << QString() << true;
    QTest::newRow("terminal, --no-progress") << true << "--no-progress" << false;
    QTest::newRow("pipe") << false << QString() << false;
    QTest::newRow("pipe, --progress") << false << "--progress" << true;
}

// The bar is drawn on a terminal (or when asked for), from the start of the line, for the
// files of the folder, and cleared at the end; the log on the standard output is that of a run
// without it.
void tst_PelagorExtract::progressBar()
{
    QFETCH(bool, terminal);
    QFETCH(QString, option);
    QFETCH(bool, shown);
    QStringList arguments{"-O", "-o", "network.osm", fixtures};
    if (!option.isEmpty())
        arguments.prepend(option);
    const Run r = terminal ? runOnTerminal(arguments) : run(arguments);
    QCOMPARE(r.exitCode, 0);
    const Run plain = run({"--no-progress", "-O", "-o", "network.osm", fixtures});
    QCOMPARE(r.out, plain.out);
    QCOMPARE(plain.err, QByteArray());
    if (!shown) {
        QCOMPARE(r.err, QByteArray());
        return;
    }
    const QString err = QString::fromUtf8(r.err);
    const QRegularExpression bar("\r *\\d+% \\[[# ]+\\] file [1-8]/8 \\d+\\.\\d/\\d+\\.\\d MiB, "
                                 "total \\d+\\.\\d/\\d+\\.\\d MiB, [-:0-9]+ left\033\\[K");
    QVERIFY2(bar.match(err).hasMatch(), qPrintable(err.toHtmlEscaped()));
    QVERIFY2(err.endsWith("\r\033[K"), qPrintable(err.right(40).toHtmlEscaped()));
    // Nothing but bars and their clearing: no line of its own.
    QVERIFY(!err.contains('\n'));
}

void tst_PelagorExtract::neverOverwrites()
{
    // Network files under every name of the coming seconds, as runs of a moment ago would have
    // left: the run takes the next free name beside the one of its second.
    QVERIFY(QDir().mkpath("data/comp"));
    const QDateTime now = QDateTime::currentDateTime();
    QStringList earlier;
    for (int s = -1; s < 30; ++s)
        earlier << now.addSecs(s).toString("yyyy-MM-dd_hh-mm-ss") + ".osm";
    for (const QString& name : earlier)
        QVERIFY(TestWorkDir::writeFile("data/comp/" + name, "an earlier network\n"));
    const Run r = run({piece});
    QCOMPARE(r.exitCode, 0);
    const QString written = QRegularExpression("Creating output file: \"\\./data/comp/([^\"]+)\"")
                                .match(QString::fromUtf8(r.out))
                                .captured(1);
    QVERIFY2(earlier.contains(written.chopped(6) + ".osm") && written.endsWith("-2.osm"), qPrintable(written));
    QCOMPARE(comp().size(), earlier.size() + 1);
    for (const QString& name : earlier)
        QCOMPARE(TestWorkDir::readFile("data/comp/" + name), QByteArray("an earlier network\n"));
    QCOMPARE(OsmiumCheck::readProblems("data/comp/" + written), QString());
}

void tst_PelagorExtract::diskFullLeavesNoPartialFile()
{
    // The whole network of the sample area is about 200 KiB; a file size limit of
    // 64 KiB makes the write fail part-way. SIGXFSZ is ignored so that the write
    // returns an error instead of killing the process.
    QVERIFY(QDir().mkpath("data/comp"));
    QVERIFY(TestWorkDir::writeFile("data/comp/earlier.osm", "a network written before"));
    const Run r = run({fixtures}, "trap '' XFSZ; ulimit -f 128;");
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(QRegularExpression("Creating output file: \"(\\./data/comp/[0-9_-]+\\.osm)\"\\.\\.\\. "
                                "Error while writing to file: \\1\\n$")
                 .match(QString::fromUtf8(r.out))
                 .hasMatch(),
             r.out.constData());
    QVERIFY(!r.out.contains("    Way count: 144\n    Route count: 71\n    "));
    QCOMPARE(comp(), QStringList{"earlier.osm"});
    QCOMPARE(TestWorkDir::readFile("data/comp/earlier.osm"), QByteArray("a network written before"));
}

QTEST_GUILESS_MAIN(tst_PelagorExtract)
#include "tst_PelagorExtract.moc"
