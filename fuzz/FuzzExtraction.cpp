#include "fuzz/FuzzExtraction.h"

#include "extraction/OSMParser.h"
#include "network/OSMData.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QXmlStreamReader>
#include <vector>

const QString FuzzExtraction::inputName = QStringLiteral("fuzz-input.osm");

namespace {

// Removes every entry of the network file folder: the file itself and any temporary
// file a failed write left behind.
QStringList takeOutputFiles()
{
    QDir dir(OSMParser::outputDir);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    QStringList paths;
    for (const QString& name : names)
        paths << dir.filePath(name);
    return paths;
}

} // namespace

QString FuzzExtraction::run(const QByteArray& input, QStringList* messages, bool* written)
{
    QDir().mkpath(QStringLiteral("data"));
    {
        QFile file(inputName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(input) != input.size())
            return QStringLiteral("input file not writable: %1").arg(file.errorString());
    }

    QString failure;
    {
        OSMData data;
        OSMParser parser;
        if (messages)
            QObject::connect(&parser, &OSMParser::message, [messages](const QString& msg) { *messages << msg; });
        parser.parseFiles({inputName}, data);
        parser.writeOutputFile(data);
    }
    const QStringList files = takeOutputFiles();
    if (written)
        *written = !files.isEmpty();
    if (files.size() > 1)
        failure = QStringLiteral("more than one file in the network file folder: %1").arg(files.join(' '));
    for (const QString& path : files) {
        QFile file(path);
        if (failure.isEmpty()) {
            if (!path.endsWith(QLatin1String(".osm")))
                failure = QStringLiteral("stray file left behind: %1").arg(path);
            else if (!file.open(QIODevice::ReadOnly))
                failure = QStringLiteral("network file not readable: %1").arg(path);
            else
                failure = checkNetworkFile(file.readAll());
            file.close();
        }
        file.remove();
    }
    QFile::remove(inputName);
    return failure;
}

QString FuzzExtraction::checkNetworkFile(const QByteArray& content)
{
    QXmlStreamReader reader(content);
    QSet<qint64> nodes;
    QSet<qint64> ways;
    QSet<qint64> relations;
    QString failure;
    while (!reader.atEnd() && !reader.hasError()) {
        if (reader.readNext() != QXmlStreamReader::StartElement || !failure.isEmpty())
            continue;
        const QStringRef name = reader.name();
        const QXmlStreamAttributes attributes = reader.attributes();
        if (name == QLatin1String("osm")) {
            if (attributes.value(QLatin1String("version")) != QLatin1String("0.6")
                || attributes.value(QLatin1String("generator")) != QLatin1String("Pelagor"))
                failure = QStringLiteral("root without version 0.6 and generator Pelagor");
        } else if (name == QLatin1String("node")) {
            nodes.insert(attributes.value(QLatin1String("id")).toLongLong());
        } else if (name == QLatin1String("nd")) {
            bool ok = false;
            const QStringRef ref = attributes.value(QLatin1String("ref"));
            if (!nodes.contains(ref.toLongLong(&ok)) || !ok)
                failure = QStringLiteral("nd ref %1 names no written node").arg(ref.toString());
        } else if (name == QLatin1String("way")) {
            const qint64 id = attributes.value(QLatin1String("id")).toLongLong();
            if (ways.contains(id))
                failure = QStringLiteral("way %1 written twice").arg(id);
            ways.insert(id);
        } else if (name == QLatin1String("relation")) {
            const qint64 id = attributes.value(QLatin1String("id")).toLongLong();
            if (relations.contains(id))
                failure = QStringLiteral("relation %1 written twice").arg(id);
            relations.insert(id);
        }
    }
    if (reader.hasError())
        return QStringLiteral("network file not well-formed: %1 at line %2 column %3")
            .arg(reader.errorString())
            .arg(reader.lineNumber())
            .arg(reader.columnNumber());
    // The writer ends the document with a line end; a file without one was cut short.
    if (failure.isEmpty() && !content.endsWith("</osm>\n")
        && !content.endsWith("<osm version=\"0.6\" generator=\"Pelagor\"/>\n"))
        failure = QStringLiteral("network file does not end with its root element and a line end");
    return failure;
}
