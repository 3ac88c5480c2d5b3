// pelagor-scenario: runs one scenario folder of tests/scenarios/ and prints what differed.
//   pelagor-scenario [--program NAME=PATH]... FOLDER
// With PELAGOR_UPDATE_SCENARIOS=1 in the environment the run's outputs become the folder's
// expected ones (review them with git diff).
#include "tests/support/Scenario.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <cstdio>

int main(int argc, char* argv[])
{
    // A client that hangs up on an answer must not end the driver.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    QHash<QString, QString> programs;
    while (arguments.size() > 1 && arguments.front() == "--program") {
        const QString mapping = arguments.value(1);
        const int equals = mapping.indexOf('=');
        if (equals <= 0)
            break;
        programs.insert(mapping.left(equals), mapping.mid(equals + 1));
        arguments = arguments.mid(2);
    }
    if (arguments.size() != 1) {
        std::fputs("Usage: pelagor-scenario [--program NAME=PATH]... FOLDER\n", stderr);
        return 2;
    }
    const QString folder = QDir::cleanPath(arguments.front());
    const QString name = QFileInfo(QDir(folder).absolutePath()).fileName();
    const bool update = qEnvironmentVariableIntValue("PELAGOR_UPDATE_SCENARIOS") == 1;
    QString report;
    const bool passed = Scenario(folder, programs).run(report, update);
    if (update) {
        std::printf("scenario %s: expected outputs written\n%s", qPrintable(name), qPrintable(report));
        return 0;
    }
    if (passed) {
        std::printf("scenario %s: passed\n", qPrintable(name));
        return 0;
    }
    std::printf("scenario %s: FAILED\n%s", qPrintable(name), report.toUtf8().constData());
    return 1;
}
