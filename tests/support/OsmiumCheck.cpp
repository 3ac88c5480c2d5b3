#include "tests/support/OsmiumCheck.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace OsmiumCheck {

QString program()
{
    return QStandardPaths::findExecutable(QStringLiteral("osmium"));
}

namespace {

// Runs osmium with `arguments`; false, with the reason in `problem`, when it did not finish.
bool runOsmium(const QStringList& arguments, QByteArray& out, QByteArray& err, int& exitCode, QString& problem)
{
    QProcess process;
    process.start(program(), arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        problem = QStringLiteral("osmium %1 did not finish").arg(arguments.join(' '));
        return false;
    }
    out = process.readAllStandardOutput();
    err = process.readAllStandardError();
    exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return true;
}

} // namespace

QString standardProblems(const QString& networkFile, int missingWayNodes)
{
    if (!QFileInfo(networkFile).isFile())
        return QStringLiteral("no file %1").arg(networkFile);
    if (program().isEmpty())
        return QStringLiteral("osmium is not installed");
    QByteArray out;
    QByteArray err;
    int exitCode = 0;
    QString problem;
    if (!runOsmium({"check-refs", "-F", "xml", networkFile}, out, err, exitCode, problem))
        return problem;
    const QString report = QString::fromUtf8(out + err);
    const QRegularExpressionMatch missing = QRegularExpression("Nodes in ways missing: (\\d+)").match(report);
    if (exitCode != (missingWayNodes ? 1 : 0) || !missing.hasMatch() || missing.captured(1).toInt() != missingWayNodes)
        return QStringLiteral("osmium check-refs exit %1, %2 missing expected: %3")
            .arg(exitCode)
            .arg(missingWayNodes)
            .arg(report.trimmed());
    for (const char* question : {"data.objects_ordered=yes", "data.multiple_versions=no"}) {
        const QString variable = QString(question).section('=', 0, 0);
        const QString expected = QString(question).section('=', 1);
        if (!runOsmium({"fileinfo", "-e", "-F", "xml", "-g", variable, networkFile}, out, err, exitCode, problem))
            return problem;
        if (exitCode != 0 || QString::fromUtf8(out).trimmed() != expected)
            return QStringLiteral("osmium fileinfo %1: %2 %3 (exit %4)")
                .arg(variable, QString::fromUtf8(out).trimmed(), QString::fromUtf8(err).trimmed())
                .arg(exitCode);
    }
    return QString();
}

QString readProblems(const QString& networkFile)
{
    if (!QFileInfo(networkFile).isFile())
        return QStringLiteral("no file %1").arg(networkFile);
    const QString osmium = program();
    if (osmium.isEmpty())
        return QStringLiteral("osmium is not installed");
    QProcess process;
    // -e reads every object, so a bad value anywhere in the file is found.
    process.start(osmium, {"fileinfo", "-e", "-F", "xml", networkFile});
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("osmium did not finish");
    }
    const QString err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 || !err.isEmpty())
        return QStringLiteral("osmium exit %1: %2").arg(process.exitCode()).arg(err);
    return QString();
}

} // namespace OsmiumCheck
