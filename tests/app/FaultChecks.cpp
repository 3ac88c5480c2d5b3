#include "tests/app/FaultChecks.h"

#include "fuzz/FuzzExtraction.h"

#include "tests/support/OsmiumCheck.h"
#include "tests/support/TestWorkDir.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace FaultChecks {

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool isTemporary(const QString& name)
{
    return QRegularExpression("\\.osm\\.[A-Za-z0-9]{6}$").match(name).hasMatch();
}

QString checkPieces(const QString& folder, const QStringList& served, bool temporariesLeft)
{
    const QRegularExpression pieceName("^-?[0-9.]+--?[0-9.]+--?[0-9.]+--?[0-9.]+\\.osm$");
    for (const QString& name : entries(folder)) {
        const QString path = folder + '/' + name;
        if (temporariesLeft && isTemporary(name))
            continue;
        if (!pieceName.match(name).hasMatch() || !QFileInfo(path).isFile())
            return "stray entry " + path;
        QString source;
        for (const QString& dir : served) {
            if (QFileInfo(dir + '/' + name).isFile()) {
                source = dir + '/' + name;
                break;
            }
        }
        if (source.isEmpty())
            return "piece that was never served: " + path;
        const QByteArray bytes = TestWorkDir::readFile(path);
        const QByteArray expected = TestWorkDir::readFile(source);
        if (bytes != expected)
            return QString("%1 has %2 bytes, not the %3 served").arg(path).arg(bytes.size()).arg(expected.size());
    }
    return QString();
}

QString checkNetworkFile(const QString& path)
{
    const QString problem = FuzzExtraction::checkNetworkFile(TestWorkDir::readFile(path));
    if (!problem.isEmpty())
        return path + ": " + problem;
    const QString osmium = OsmiumCheck::readProblems(path);
    if (!osmium.isEmpty())
        return path + ": " + osmium;
    return QString();
}

QString checkNetworkFiles(const QString& folder, bool temporariesLeft)
{
    for (const QString& name : entries(folder)) {
        const QString path = folder + '/' + name;
        if (temporariesLeft && isTemporary(name))
            continue;
        if (!name.endsWith(".osm") || !QFileInfo(path).isFile())
            return "stray entry " + path;
        const QString problem = checkNetworkFile(path);
        if (!problem.isEmpty())
            return problem;
    }
    return QString();
}

QByteArray earlierNetworkFile()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<osm version=\"0.6\" generator=\"Pelagor\">\n"
           " <node id=\"1\" lat=\"55.81\" lon=\"37.6\"/>\n"
           " <node id=\"2\" lat=\"55.82\" lon=\"37.61\"/>\n"
           " <way id=\"3\">\n"
           "  <nd ref=\"1\"/>\n"
           "  <nd ref=\"2\"/>\n"
           "  <tag k=\"highway\" v=\"residential\"/>\n"
           " </way>\n"
           "</osm>\n";
}

} // namespace FaultChecks
