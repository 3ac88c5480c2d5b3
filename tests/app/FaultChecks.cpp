#include "tests/app/FaultChecks.h"

#include "tests/support/OsmiumCheck.h"
#include "tests/support/TestWorkDir.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QXmlStreamReader>

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
    const QByteArray bytes = TestWorkDir::readFile(path);
    // An empty network has an empty root element.
    if (!bytes.endsWith("</osm>\n") && !bytes.endsWith("<osm version=\"0.6\" generator=\"Pelagor\"/>\n"))
        return path + " does not end in </osm>";
    QXmlStreamReader reader(bytes);
    int depth = 0;
    bool root = false;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (depth == 0)
                root = reader.name() == QLatin1String("osm")
                    && reader.attributes().value(QLatin1String("version")) == QLatin1String("0.6")
                    && reader.attributes().value(QLatin1String("generator")) == QLatin1String("Pelagor");
            ++depth;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    if (reader.hasError())
        return QString("%1 is not well-formed: %2 at line %3")
            .arg(path, reader.errorString())
            .arg(reader.lineNumber());
    if (!root || depth != 0)
        return path + " has no complete <osm version=\"0.6\" generator=\"Pelagor\"> root";
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
