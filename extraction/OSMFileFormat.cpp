#include "extraction/OSMFileFormat.h"

#include <QFile>

OSMFileFormat::Kind OSMFileFormat::fromOptionName(const QString& name)
{
    if (name == QLatin1String("osm"))
        return Xml;
    if (name == QLatin1String("osm.gz"))
        return GzipXml;
    if (name == QLatin1String("osm.bz2"))
        return Bzip2Xml;
    if (name == QLatin1String("pbf") || name == QLatin1String("osm.pbf"))
        return Pbf;
    return Unknown;
}

QString OSMFileFormat::optionName(Kind kind)
{
    switch (kind) {
    case Xml:
        return "osm";
    case GzipXml:
        return "osm.gz";
    case Bzip2Xml:
        return "osm.bz2";
    case Pbf:
        return "pbf";
    case Unknown:
        break;
    }
    return QString();
}

OSMFileFormat::Kind OSMFileFormat::fromName(const QString& path)
{
    if (path.endsWith(QLatin1String(".pbf"), Qt::CaseInsensitive))
        return Pbf;
    if (path.endsWith(QLatin1String(".gz"), Qt::CaseInsensitive))
        return GzipXml;
    if (path.endsWith(QLatin1String(".bz2"), Qt::CaseInsensitive))
        return Bzip2Xml;
    return Xml;
}

OSMFileFormat::Kind OSMFileFormat::fromContent(const QByteArray& bytes)
{
    if (bytes.startsWith("\x1f\x8b"))
        return GzipXml;
    if (bytes.startsWith("BZh"))
        return Bzip2Xml;
    // A PBF file is a sequence of blocks, each after a 4-byte big-endian length of its header;
    // the first header (a protobuf message, field 1 the type string) names "OSMHeader".
    static const QByteArray header("\x0a\x09OSMHeader", 11);
    if (bytes.size() >= 4 + header.size() && bytes.mid(4, header.size()) == header) {
        const quint32 length = (quint32(quint8(bytes.at(0))) << 24) | (quint32(quint8(bytes.at(1))) << 16)
            | (quint32(quint8(bytes.at(2))) << 8) | quint32(quint8(bytes.at(3)));
        // The format caps a block header at 64 KiB.
        if (length > 0 && length <= 64 * 1024)
            return Pbf;
    }
    int start = bytes.startsWith("\xef\xbb\xbf") ? 3 : 0;
    while (start < bytes.size() && (bytes.at(start) == ' ' || bytes.at(start) == '\t' || bytes.at(start) == '\n'
                                    || bytes.at(start) == '\r'))
        ++start;
    if (start < bytes.size() && bytes.at(start) == '<')
        return Xml;
    return Unknown;
}

OSMFileFormat::Kind OSMFileFormat::of(const QString& path)
{
    if (path != QLatin1String("-")) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const Kind content = fromContent(file.read(sniffSize));
            if (content != Unknown)
                return content;
        }
    }
    return fromName(path);
}
