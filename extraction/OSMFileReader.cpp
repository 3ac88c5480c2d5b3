#include "extraction/OSMFileReader.h"

#include "extraction/BoundingBox.h"
#include "extraction/Bzip2Device.h"
#include "extraction/ClipSelection.h"
#include "extraction/GzipDevice.h"
#include "extraction/OSMPbfReader.h"
#include "extraction/OSMXmlAttributes.h"
#include "extraction/OSMXmlClipScan.h"
#include "extraction/OSMXmlObjectReader.h"
#include "extraction/OSMXmlReaders.h"
#include "extraction/XmlTokenGuard.h"

#include <QFile>
#include <QXmlStreamReader>
#include <iostream>
#include <memory>

namespace {

enum Format { Xml, GzipXml, Bzip2Xml, Pbf };

Format formatOf(const QString& path)
{
    if (path.endsWith(QLatin1String(".pbf"), Qt::CaseInsensitive))
        return Pbf;
    if (path.endsWith(QLatin1String(".gz"), Qt::CaseInsensitive))
        return GzipXml;
    if (path.endsWith(QLatin1String(".bz2"), Qt::CaseInsensitive))
        return Bzip2Xml;
    return Xml;
}

// The XML of a file as the readers see it: decompressed where its name says so, and through
// the token guard.
struct XmlInput
{
    std::unique_ptr<QIODevice> file;
    std::unique_ptr<XmlTokenGuard> guard;
};

// Null devices when the file cannot be opened (or is not compressed as its name says).
// Without `diagnostics` damaged compressed data is not reported: the first pass of a clipped
// file leaves that to the second.
XmlInput openXml(const QString& path, Format format, bool diagnostics)
{
    XmlInput input;
    if (format == GzipXml || format == Bzip2Xml) {
        CompressedFileDevice* compressed = nullptr;
        if (format == GzipXml)
            compressed = new GzipDevice(path);
        else
            compressed = new Bzip2Device(path);
        compressed->setDiagnostics(diagnostics);
        input.file.reset(compressed);
    } else {
        input.file.reset(new QFile(path));
    }
    input.file->open(QIODevice::ReadOnly | QIODevice::Text);
    if (!input.file->isOpen())
        input.file.reset();
    else
        input.guard.reset(new XmlTokenGuard(input.file.get()));
    return input;
}

void prepare(QXmlStreamReader& reader)
{
    // OpenStreetMap files declare no entities of their own. Qt limits what one entity
    // expands to, not how often it is referenced; letting none expand keeps a few
    // kilobytes of references from becoming gigabytes of text. Such a document stops
    // with the reader's entity-limit error.
    reader.setEntityExpansionLimit(0);
}

// The reader's error text, or the guard's when it ended the document.
QString errorOf(const QXmlStreamReader& reader, const XmlTokenGuard& guard, const QString& path, bool diagnostics)
{
    if (guard.tripped()) {
        const QString limit = QString::number(guard.limit() >> 20);
        if (diagnostics)
            std::cerr << "OSMParser: \"" << path.toStdString() << "\": more than " << limit.toStdString()
                      << " MiB in one XML token at byte " << guard.trippedAtByte()
                      << "; the rest of the file is not read" << std::endl;
        return QString("More than %1 MiB in one XML token; the rest of the file is not read.").arg(limit);
    }
    return reader.hasError() ? reader.errorString() : QString();
}

// Hands every node, way and relation element (with a selection, every kept one) to
// its reader, wherever it stands in the document. Returns the reader's error text.
QString readXml(XmlInput& input, const QString& path, OSMData& data, const ClipSelection* selection)
{
    QXmlStreamReader reader(input.guard.get());
    prepare(reader);
    while (!reader.atEnd() && !reader.hasError()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringRef name = reader.name();
        if (name == OSMXmlAttributes::nodeName) {
            if (!selection || OSMXmlClipScan::isSelected(reader, *selection))
                OSMXmlReaders::readNode(reader, data);
        } else if (name == OSMXmlAttributes::wayName) {
            if (!selection || OSMXmlClipScan::isSelected(reader, *selection))
                OSMXmlReaders::readWay(reader, data);
        } else if (name == OSMXmlAttributes::relationName) {
            if (!selection || OSMXmlClipScan::isSelected(reader, *selection))
                OSMXmlReaders::readRelation(reader, data);
        }
    }
    const QString error = errorOf(reader, *input.guard, path, true);
    reader.clear();
    input.guard->close();
    return error;
}

// The first pass of a clipped XML file; false when it cannot be opened.
bool scanXml(const QString& path, Format format, ClipSelection& selection)
{
    XmlInput input = openXml(path, format, false);
    if (!input.file)
        return false;
    QXmlStreamReader reader(input.guard.get());
    prepare(reader);
    OSMXmlClipScan::scan(reader, selection);
    return true;
}

} // namespace

OSMFileReader::Outcome OSMFileReader::read(const QString& path, OSMData& data, const BoundingBox* clip,
                                           QString* error)
{
    const Format format = formatOf(path);
    std::unique_ptr<ClipSelection> selection;
    if (clip)
        selection.reset(new ClipSelection(*clip));
    QString text;
    if (format == Pbf) {
        // Opened here first, so that what a plain file cannot be opened as (a missing
        // file, a folder) is reported the same way.
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return Outcome::NotOpened;
        file.close();
        // A fault stops the first pass where the second one stops too, and is reported by it.
        if (selection)
            OSMPbfReader::scan(path, *selection);
        text = OSMPbfReader::read(path, data, selection.get());
    } else {
        if (selection && !scanXml(path, format, *selection))
            return Outcome::NotOpened;
        XmlInput input = openXml(path, format, true);
        if (!input.file)
            return Outcome::NotOpened;
        text = readXml(input, path, data, selection.get());
    }
    if (error)
        *error = text;
    return text.isEmpty() ? Outcome::Read : Outcome::Broken;
}

void OSMFileReader::copy(const QString& path, KeptObjects& objects)
{
    const Format format = formatOf(path);
    if (format == Pbf) {
        OSMPbfReader::copy(path, objects);
        return;
    }
    XmlInput input = openXml(path, format, false);
    if (!input.file)
        return;
    QXmlStreamReader reader(input.guard.get());
    prepare(reader);
    OSMXmlObjectReader::read(reader, objects);
}
