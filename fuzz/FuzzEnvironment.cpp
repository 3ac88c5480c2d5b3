#include "fuzz/FuzzEnvironment.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <streambuf>
#include <vector>

namespace {

// Swallows everything: thousands of runs a second would otherwise spend their time
// printing diagnostics that the checks do not look at.
class NullBuffer : public std::streambuf
{
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

NullBuffer nullBuffer;
QTemporaryDir* workDir = nullptr; // removed at exit
QByteArray startDir;
QByteArray workPath;
std::vector<char*> arguments; // the fuzzer's arguments with the crash file folder added
QByteArray artifactPrefix;

void quietMessages(QtMsgType, const QMessageLogContext&, const QString&)
{
}

void removeWorkDir()
{
    QDir::setCurrent(QString::fromLocal8Bit(startDir));
    delete workDir;
    workDir = nullptr;
}

// libFuzzer reads its flags after LLVMFuzzerInitialize, so an added flag still counts.
void addArtifactPrefix(int* argc, char*** argv)
{
    for (int i = 1; i < *argc; ++i)
        if (std::strncmp((*argv)[i], "-artifact_prefix=", 17) == 0)
            return;
    artifactPrefix = "-artifact_prefix=" + startDir + '/';
    arguments.assign(*argv, *argv + *argc);
    arguments.push_back(artifactPrefix.data());
    arguments.push_back(nullptr);
    *argc += 1;
    *argv = arguments.data();
}

} // namespace

void FuzzEnvironment::setUp(const char* name, int* argc, char*** argv)
{
    static int appArgc = 1;
    static char* appArgv[] = {const_cast<char*>(name), nullptr};
    new QCoreApplication(appArgc, appArgv); // lives until the process ends
    QStandardPaths::setTestModeEnabled(true);

    startDir = QDir::currentPath().toLocal8Bit();
    addArtifactPrefix(argc, argv);

    // A memory file system where there is one: every run writes and removes files.
    const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    workDir = new QTemporaryDir(QStringLiteral("%1/%2-XXXXXX").arg(base, QString::fromLatin1(name)));
    if (!workDir->isValid()) {
        std::cerr << "FuzzEnvironment: " << "no working directory under " << base.toStdString() << std::endl;
        std::abort();
    }
    workPath = workDir->path().toLocal8Bit();
    std::atexit(removeWorkDir);

    if (!std::getenv("PELAGOR_FUZZ_VERBOSE")) {
        std::cerr.rdbuf(&nullBuffer);
        qInstallMessageHandler(quietMessages);
    }
}

void FuzzEnvironment::enter()
{
    if (!QDir::setCurrent(QString::fromLocal8Bit(workPath)))
        std::abort();
}

void FuzzEnvironment::leave()
{
    if (!QDir::setCurrent(QString::fromLocal8Bit(startDir)))
        std::abort();
}
