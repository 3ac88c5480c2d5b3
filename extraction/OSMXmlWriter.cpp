#include "extraction/OSMXmlWriter.h"

#include <QIODevice>

namespace {
// Written to the device in pieces of about this size.
const int flushSize = 1 << 16;
} // namespace

OSMXmlWriter::OSMXmlWriter(QIODevice* device)
    : device(device)
    , buffer(std::size_t(flushSize) + 4096)
{
}

OSMXmlWriter::OSMXmlWriter(Part, const OSMXmlWriter& from)
    : device(nullptr)
    , buffer(std::size_t(flushSize) + 4096)
    , open(from.open)
{
    // An empty element that `from` has begun is closed by the next element.
    if (from.inStartTag && from.inEmptyElement)
        open.pop_back();
}

OSMXmlWriter::~OSMXmlWriter()
{
    flush();
}

void OSMXmlWriter::writeFormatted(OSMXmlWriter& part)
{
    // An empty element the part wrote last is closed as the next element would close it.
    if (part.inStartTag && part.inEmptyElement)
        part.closeStartTag();
    if (part.error)
        error = true;
    if (part.buffer.empty())
        return;
    // The part began after a closed start tag: this writer may not have closed its own yet.
    closeStartTag();
    const std::string_view bytes(part.buffer.data(), part.buffer.size());
    if (device) {
        flush();
        if (device->write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
            error = true;
    } else {
        buffer.append(bytes);
    }
    lastWasStartElement = part.lastWasStartElement;
}

void OSMXmlWriter::flush()
{
    if (buffer.empty() || !device)
        return;
    if (device->write(buffer.data(), qint64(buffer.size())) != qint64(buffer.size()))
        error = true;
    buffer.clear();
}

void OSMXmlWriter::writeStartDocument()
{
    buffer.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
}

// The rules of QXmlStreamWriter's auto-formatting: every start tag goes on a new line
// indented by its depth; an end tag goes on a new line only after child elements;
// an element without children is closed as an empty tag.
void OSMXmlWriter::beginElement(std::string_view name, bool empty)
{
    closeStartTag();
    newLine(open.size());
    if (buffer.size() >= std::size_t(flushSize))
        flush();
    buffer.append('<');
    buffer.append(name);
    open.push_back(name);
    inStartTag = true;
    inEmptyElement = empty;
    lastWasStartElement = true;
}

void OSMXmlWriter::writeStartElement(std::string_view name)
{
    beginElement(name, false);
}

void OSMXmlWriter::writeEmptyElement(std::string_view name)
{
    beginElement(name, true);
}

void OSMXmlWriter::closeStartTag()
{
    if (!inStartTag)
        return;
    if (inEmptyElement) {
        buffer.append("/>");
        open.pop_back();
        lastWasStartElement = false;
    } else {
        buffer.append('>');
    }
    inStartTag = false;
    inEmptyElement = false;
}

void OSMXmlWriter::newLine(std::size_t level)
{
    buffer.append('\n');
    buffer.appendSpaces(level);
}

// ` name="`, the value, then `"`.
void OSMXmlWriter::beginAttribute(std::string_view name)
{
    buffer.append(' ');
    buffer.append(name);
    buffer.append("=\"");
}

void OSMXmlWriter::writeAttribute(std::string_view name, const char* value)
{
    beginAttribute(name);
    buffer.append(std::string_view(value));
    buffer.append('"');
}

void OSMXmlWriter::writeAttribute(std::string_view name, std::string_view utf8)
{
    beginAttribute(name);
    if (!buffer.appendEscaped(utf8))
        error = true;
    buffer.append('"');
}

std::size_t OSMXmlWriter::textLength(std::string_view utf8)
{
    const std::size_t maxCharacters = 255;
    if (utf8.size() <= maxCharacters)
        return utf8.size();
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i)
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && ++characters > maxCharacters)
            return i;
    return utf8.size();
}

void OSMXmlWriter::writeTextAttribute(std::string_view name, std::string_view utf8)
{
    writeAttribute(name, utf8.substr(0, textLength(utf8)));
}

void OSMXmlWriter::writeAttribute(std::string_view name, qint64 value)
{
    beginAttribute(name);
    buffer.appendNumber(value);
    buffer.append('"');
}

void OSMXmlWriter::writeCoordinateAttribute(std::string_view name, double value)
{
    beginAttribute(name);
    buffer.appendCoordinate(value);
    buffer.append('"');
}

void OSMXmlWriter::writeEndElement()
{
    if (open.empty())
        return;
    if (inStartTag && !inEmptyElement) {
        buffer.append("/>");
        inStartTag = false;
        lastWasStartElement = false;
        open.pop_back();
        return;
    }
    closeStartTag();
    // As QXmlStreamWriter does, the line break comes before the test for an open
    // element: ending more elements than are open still writes it.
    if (!lastWasStartElement)
        newLine(open.empty() ? 0 : open.size() - 1);
    if (open.empty())
        return;
    lastWasStartElement = false;
    buffer.append("</");
    buffer.append(open.back());
    buffer.append('>');
    open.pop_back();
}

void OSMXmlWriter::writeEndDocument()
{
    while (!open.empty())
        writeEndElement();
    buffer.append('\n');
    flush();
}
