#include "tests/support/OsmiumCheck.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace OsmiumCheck {

QString program()
{
    return QStandardPaths::findExecutable(QStringLiteral("osmium"));
}

QString readProblems(const QString& networkFile)
{
    QFile file(networkFile);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot open %1").arg(networkFile);
    QByteArray content = file.readAll();
    // The root start tag, "<osm>" or "<osm/>" for an empty network.
    const int root = content.indexOf("<osm");
    if (root < 0 || (content.at(root + 4) != '>' && content.at(root + 4) != '/'))
        return QStringLiteral("no <osm> root in %1").arg(networkFile);
    content.insert(root + 4, " version=\"0.6\"");

    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("network.osm"));
    QFile out(copy);
    if (!dir.isValid() || !out.open(QIODevice::WriteOnly) || out.write(content) != content.size())
        return QStringLiteral("cannot write the copy of %1").arg(networkFile);
    out.close();

    const QString osmium = program();
    if (osmium.isEmpty())
        return QStringLiteral("osmium is not installed");
    QProcess process;
    // -e reads every object, so a bad value anywhere in the file is found.
    process.start(osmium, {"fileinfo", "-e", "-F", "xml", copy});
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
