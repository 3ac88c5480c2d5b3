#include "extraction/OSMXmlWriter.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <charconv>
#include <cmath>

namespace {
// Written to the device in pieces of about this size.
const int flushSize = 1 << 16;
} // namespace

OSMXmlWriter::OSMXmlWriter(QIODevice* device)
    : device(device)
{
    buffer.reserve(std::size_t(flushSize) + 4096);
}

OSMXmlWriter::~OSMXmlWriter()
{
    flush();
}

void OSMXmlWriter::flush()
{
    if (buffer.empty())
        return;
    if (device->write(buffer.data(), qint64(buffer.size())) != qint64(buffer.size()))
        error = true;
    buffer.clear();
}

void OSMXmlWriter::writeStartDocument()
{
    buffer += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
}

// The rules of QXmlStreamWriter's auto-formatting: every start tag goes on a new line
// indented by its depth; an end tag goes on a new line only after child elements;
// an element without children is closed as an empty tag.
void OSMXmlWriter::beginElement(const char* name, bool empty)
{
    closeStartTag();
    newLine(open.size());
    if (buffer.size() >= std::size_t(flushSize))
        flush();
    buffer += '<';
    buffer += name;
    open.push_back(name);
    inStartTag = true;
    inEmptyElement = empty;
    lastWasStartElement = true;
}

void OSMXmlWriter::writeStartElement(const char* name)
{
    beginElement(name, false);
}

void OSMXmlWriter::writeEmptyElement(const char* name)
{
    beginElement(name, true);
}

void OSMXmlWriter::closeStartTag()
{
    if (!inStartTag)
        return;
    if (inEmptyElement) {
        buffer += "/>";
        open.pop_back();
        lastWasStartElement = false;
    } else {
        buffer += '>';
    }
    inStartTag = false;
    inEmptyElement = false;
}

void OSMXmlWriter::newLine(std::size_t level)
{
    buffer += '\n';
    buffer.append(level, ' ');
}

void OSMXmlWriter::writeAttribute(const char* name, const char* value)
{
    buffer += ' ';
    buffer += name;
    buffer += "=\"";
    buffer += value;
    buffer += '"';
}

void OSMXmlWriter::writeAttribute(const char* name, std::string_view utf8)
{
    buffer += ' ';
    buffer += name;
    buffer += "=\"";
    writeEscaped(utf8);
    buffer += '"';
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

void OSMXmlWriter::writeTextAttribute(const char* name, std::string_view utf8)
{
    writeAttribute(name, utf8.substr(0, textLength(utf8)));
}

void OSMXmlWriter::writeAttribute(const char* name, qint64 value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    buffer += ' ';
    buffer += name;
    buffer += "=\"";
    buffer.append(digits, std::size_t(end - digits));
    buffer += '"';
}

// QString::number(value, 'f', 7) rounds the exact binary value correctly. For a
// coordinate (|value| <= 1000) value * 10^7 is computed with an error below 2e-6, so
// rounding it to an integer gives the same digits, unless the exact value lies close
// to halfway between two results (ties and near-ties) or the result is a zero with a
// minus sign; those few take Qt's own conversion.
bool OSMXmlWriter::appendCoordinate(double value)
{
    if (!(std::fabs(value) <= 1000.0))
        return false;
    const double scaled = value * 1e7;
    const double below = std::floor(scaled);
    const double fraction = scaled - below;
    if (std::fabs(fraction - 0.5) < 1e-5)
        return false;
    const qint64 units = qint64(below) + (fraction > 0.5 ? 1 : 0);
    if (units == 0 && std::signbit(value))
        return false;
    const quint64 magnitude = units < 0 ? quint64(-units) : quint64(units);
    char text[32];
    char* end = text + sizeof text;
    char* p = end;
    quint64 rest = magnitude;
    for (int digit = 0; digit < 7; ++digit) {
        *--p = char('0' + rest % 10);
        rest /= 10;
    }
    *--p = '.';
    do {
        *--p = char('0' + rest % 10);
        rest /= 10;
    } while (rest);
    if (units < 0)
        *--p = '-';
    buffer.append(p, std::size_t(end - p));
    return true;
}

void OSMXmlWriter::writeCoordinateAttribute(const char* name, double value)
{
    buffer += ' ';
    buffer += name;
    buffer += "=\"";
    if (!appendCoordinate(value))
        buffer += QByteArray::number(value, 'f', 7).constData();
    buffer += '"';
}

void OSMXmlWriter::writeEscaped(std::string_view utf8)
{
    // Printable ASCII, as most names are, is escaped byte by byte.
    bool plain = true;
    for (char c : utf8)
        if (c < 0x20 || c > 0x7e) {
            plain = false;
            break;
        }
    if (plain) {
        for (char c : utf8) {
            switch (c) {
            case '<': buffer += "&lt;"; break;
            case '>': buffer += "&gt;"; break;
            case '&': buffer += "&amp;"; break;
            case '"': buffer += "&quot;"; break;
            default: buffer += c;
            }
        }
        return;
    }
    // Anything else takes QXmlStreamWriter's way: decoded to UTF-16, escaped character
    // by character (line ends and tabs as character references; other control
    // characters and U+FFFE, U+FFFF dropped with an error) and encoded again.
    const QString text = QString::fromUtf8(utf8.data(), int(utf8.size()));
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '<': escaped += QLatin1String("&lt;"); break;
        case '>': escaped += QLatin1String("&gt;"); break;
        case '&': escaped += QLatin1String("&amp;"); break;
        case '"': escaped += QLatin1String("&quot;"); break;
        case '\t': escaped += QLatin1String("&#9;"); break;
        case '\n': escaped += QLatin1String("&#10;"); break;
        case '\r': escaped += QLatin1String("&#13;"); break;
        default:
            if (c.unicode() > 0x1f && c.unicode() < 0xfffe)
                escaped += c;
            else
                error = true;
        }
    }
    const QByteArray encoded = escaped.toUtf8();
    buffer.append(encoded.constData(), std::size_t(encoded.size()));
}

void OSMXmlWriter::writeEndElement()
{
    if (open.empty())
        return;
    if (inStartTag && !inEmptyElement) {
        buffer += "/>";
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
    buffer += "</";
    buffer += open.back();
    buffer += '>';
    open.pop_back();
}

void OSMXmlWriter::writeEndDocument()
{
    while (!open.empty())
        writeEndElement();
    buffer += '\n';
    flush();
}
