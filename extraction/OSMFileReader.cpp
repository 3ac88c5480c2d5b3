#include "extraction/OSMFileReader.h"

#include "extraction/BoundingBox.h"
#include "extraction/Bzip2Device.h"
#include "extraction/ClipSelection.h"
#include "extraction/GzipDevice.h"
#include "extraction/OSMPbfObjectReader.h"
#include "extraction/OSMPbfReader.h"
#include "extraction/OSMXmlAttributes.h"
#include "extraction/OSMXmlClipScan.h"
#include "extraction/OSMXmlObjectReader.h"
#include "extraction/OSMXmlReaders.h"
#include "extraction/ReadProgress.h"
#include "extraction/XmlTokenGuard.h"

#include <QFile>
#include <QXmlStreamReader>
#include <iostream>
#include <memory>

namespace {

using Format = OSMFileFormat::Kind;

// The XML of a file as the readers see it: decompressed where its format says so, and through
// the token guard.
struct XmlInput
{
    std::unique_ptr<QIODevice> file;
    std::unique_ptr<XmlTokenGuard> guard;
};

// Null devices when the file cannot be opened (or is not compressed as its format says).
// Without `diagnostics` damaged compressed data is not reported: the first pass of a clipped
// file leaves that to the second.
XmlInput openXml(const QString& path, Format format, bool diagnostics, ReadProgress* progress)
{
    XmlInput input;
    CompressedFileDevice* compressed = nullptr;
    QFile* plain = nullptr;
    if (format == OSMFileFormat::GzipXml || format == OSMFileFormat::Bzip2Xml) {
        if (format == OSMFileFormat::GzipXml)
            compressed = new GzipDevice(path);
        else
            compressed = new Bzip2Device(path);
        compressed->setDiagnostics(diagnostics);
        input.file.reset(compressed);
        compressed->open(QIODevice::ReadOnly | QIODevice::Text);
    } else {
        plain = new QFile(path);
        input.file.reset(plain);
        if (path == QLatin1String("-"))
            plain->open(0, QIODevice::ReadOnly | QIODevice::Text);
        else
            plain->open(QIODevice::ReadOnly | QIODevice::Text);
    }
    if (!input.file->isOpen()) {
        input.file.reset();
        return input;
    }
    input.guard.reset(new XmlTokenGuard(input.file.get()));
    if (progress)
        input.guard->setReadHook([progress, compressed, plain] {
            progress->at(compressed ? compressed->fileBytesRead() : plain->pos());
        });
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

// One diagnostic line about a file: OSMParser: "<path>": <what>
void diagnose(const QString& path, const QString& what)
{
    std::cerr << "OSMParser: \"" << path.toStdString() << "\": " << what.toStdString() << std::endl;
}

// The reader's error text, or the guard's when it ended the document.
QString errorOf(const QXmlStreamReader& reader, const XmlTokenGuard& guard, const QString& path, bool diagnostics)
{
    if (guard.refused()) {
        if (diagnostics)
            diagnose(path, "not read: " + guard.refusal());
        return "The file is not read: " + guard.refusal() + ".";
    }
    if (guard.tripped()) {
        const QString limit = QString::number(guard.limit() >> 20);
        if (diagnostics)
            diagnose(path, QString("more than %1 MiB in one XML token at byte %2; the rest of the file is not read")
                               .arg(limit)
                               .arg(guard.trippedAtByte()));
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
bool scanXml(const QString& path, Format format, ClipSelection& selection, ReadProgress* progress)
{
    XmlInput input = openXml(path, format, false, progress);
    if (!input.file)
        return false;
    QXmlStreamReader reader(input.guard.get());
    prepare(reader);
    OSMXmlClipScan::scan(reader, selection);
    return true;
}

} // namespace

OSMFileReader::Outcome OSMFileReader::read(const QString& path, OSMData& data, const BoundingBox* clip,
                                           QString* error, OSMFileFormat::Kind format, ReadProgress* progress)
{
    if (format == OSMFileFormat::Unknown)
        format = OSMFileFormat::of(path);
    std::unique_ptr<ClipSelection> selection;
    if (clip)
        selection.reset(new ClipSelection(*clip));
    const OSMPbfReader::Position position = [progress](qint64 bytes) {
        if (progress)
            progress->at(bytes);
    };
    QString text;
    if (format == OSMFileFormat::Pbf) {
        // Opened here first, so that what a plain file cannot be opened as (a missing
        // file, a folder) is reported the same way.
        QFile file(path);
        if (path != QLatin1String("-") && !file.open(QIODevice::ReadOnly))
            return Outcome::NotOpened;
        file.close();
        // A fault stops the first pass where the second one stops too, and is reported by it.
        if (selection) {
            OSMPbfReader::scan(path, *selection, nullptr, position);
            if (progress)
                progress->beginPass(1);
        }
        OSMPbfReader::read(path, data, selection.get(), &text, position);
    } else {
        if (selection) {
            if (!scanXml(path, format, *selection, progress))
                return Outcome::NotOpened;
            if (progress)
                progress->beginPass(1);
        }
        XmlInput input = openXml(path, format, true, progress);
        if (!input.file)
            return Outcome::NotOpened;
        text = readXml(input, path, data, selection.get());
    }
    if (error)
        *error = text;
    return text.isEmpty() ? Outcome::Read : Outcome::Broken;
}

void OSMFileReader::copy(const QString& path, KeptObjects& objects, OSMFileFormat::Kind format)
{
    if (format == OSMFileFormat::Unknown)
        format = OSMFileFormat::of(path);
    if (format == OSMFileFormat::Pbf) {
        OSMPbfObjectReader::copy(path, objects);
        return;
    }
    XmlInput input = openXml(path, format, false, nullptr);
    if (!input.file)
        return;
    QXmlStreamReader reader(input.guard.get());
    prepare(reader);
    OSMXmlObjectReader::read(reader, objects);
}
