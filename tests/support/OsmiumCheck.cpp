#include "tests/support/OsmiumCheck.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace OsmiumCheck {

QString program()
{
    return QStandardPaths::findExecutable(QStringLiteral("osmium"));
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
