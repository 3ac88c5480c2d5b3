#ifndef EXTRACTION_OSMXMLWRITER_H
#define EXTRACTION_OSMXMLWRITER_H

// Writes the network file's XML into a device, byte for byte as QXmlStreamWriter
// writes it with auto-formatting and an indent of one blank, UTF-8 encoded. It
// knows only what the network file needs (elements and attributes, no text) and
// formats numbers straight into one buffer instead of going through a QString and
// a text codec per value. Used in the processing worker thread.
#include "extraction/XmlOutputBuffer.h"

#include <QtGlobal>
#include <string_view>
#include <vector>

class QIODevice;

class OSMXmlWriter
{
public:
    explicit OSMXmlWriter(QIODevice* device);
    // A writer that holds what it writes, for a part of the document formatted apart (in
    // another thread, while `from` writes on): it goes on from where `from` stands between two
    // of the elements it has open, and is handed back with writeFormatted().
    struct Part
    {
    };
    OSMXmlWriter(Part, const OSMXmlWriter& from);
    OSMXmlWriter(const OSMXmlWriter&) = delete;
    ~OSMXmlWriter();
    OSMXmlWriter& operator=(const OSMXmlWriter&) = delete;

    void writeStartDocument();
    // Element names are plain ASCII literals that outlive the writer.
    void writeStartElement(std::string_view name);
    void writeEmptyElement(std::string_view name);
    // Attribute names and ASCII values that need no escaping (literals of the file).
    void writeAttribute(std::string_view name, const char* value);
    // A text held as UTF-8 bytes, escaped as QXmlStreamWriter escapes attribute values.
    void writeAttribute(std::string_view name, std::string_view utf8);
    // The same for a text of OpenStreetMap (a tag key or value, a role): OpenStreetMap
    // allows 255 characters there, and its readers refuse texts not much longer, so only
    // the bytes up to the 255th character are written.
    void writeTextAttribute(std::string_view name, std::string_view utf8);
    void writeAttribute(std::string_view name, qint64 value);
    // QString::number(value, 'f', 7).
    void writeCoordinateAttribute(std::string_view name, double value);
    void writeEndElement();
    void writeEndDocument();
    // Appends what a part made from this one has written (whole elements), as if this one had
    // written it.
    void writeFormatted(OSMXmlWriter& part);
    // Writes what is buffered to the device.
    void flush();
    // The bytes of `utf8` up to its 255th character, as writeTextAttribute() writes them.
    static std::size_t textLength(std::string_view utf8);
    // A write to the device failed, or a text held a character that XML cannot
    // carry (QXmlStreamWriter drops it and reports an error; so does this writer).
    bool hasError() const { return error; }

private:
    void beginElement(std::string_view name, bool empty);
    void closeStartTag();
    void newLine(std::size_t level);
    void beginAttribute(std::string_view name);

    QIODevice* device; // not owned; null for a part, which holds its bytes
    XmlOutputBuffer buffer;
    std::vector<std::string_view> open; // names of the open elements, outermost first
    bool inStartTag = false;   // "<name attr..." written, its end not yet
    bool inEmptyElement = false;
    bool lastWasStartElement = false;
    bool error = false;
};

#endif
