#include "extraction/OSMXmlFile.h"

#include "extraction/Bzip2Device.h"
#include "extraction/GzipDevice.h"
#include "extraction/OSMXmlReader.h"
#include "extraction/ReadProgress.h"
#include "extraction/XmlTokenGuard.h"

#include <QFile>
#include <QXmlStreamReader>
#include <iostream>
#include <memory>

namespace {

// The XML of a file as the reader sees it: decompressed where its format says so, and through
// the token guard.
struct XmlInput
{
    std::unique_ptr<QIODevice> file;
    std::unique_ptr<XmlTokenGuard> guard;
};

// Null devices when the file cannot be opened (or is not compressed as its format says).
XmlInput openXml(const QString& path, OSMFileFormat::Kind format, bool diagnostics, ReadProgress* progress)
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

} // namespace

OSMXmlFile::Outcome OSMXmlFile::read(const QString& path, OSMFileFormat::Kind format, OSMHandler& handler,
                                     bool diagnostics, bool metadata, ReadProgress* progress, QString* error,
                                     CurrentObjects::Content* content)
{
    XmlInput input = openXml(path, format, diagnostics, progress);
    if (!input.file)
        return NotOpened;
    QXmlStreamReader reader(input.guard.get());
    // OpenStreetMap files declare no entities of their own. Qt limits what one entity
    // expands to, not how often it is referenced; letting none expand keeps a few
    // kilobytes of references from becoming gigabytes of text. Such a document stops
    // with the reader's entity-limit error.
    reader.setEntityExpansionLimit(0);
    OSMXmlReader xml(reader, diagnostics, metadata);
    xml.read(handler);
    if (content)
        *content = xml.content();
    const QString text = xml.refusalText().isEmpty() ? errorOf(reader, *input.guard, path, diagnostics)
                                                     : xml.refusalText();
    reader.clear();
    input.guard->close();
    if (error)
        *error = text;
    return text.isEmpty() ? Read : Broken;
}
