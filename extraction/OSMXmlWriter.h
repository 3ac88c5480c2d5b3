#ifndef EXTRACTION_OSMXMLWRITER_H
#define EXTRACTION_OSMXMLWRITER_H

// Writes the network file's XML into a device, byte for byte as QXmlStreamWriter
// writes it with auto-formatting and an indent of one blank, UTF-8 encoded. It
// knows only what the network file needs (elements and attributes, no text) and
// formats numbers straight into one buffer instead of going through a QString and
// a text codec per value. The buffer is a std::string, whose appends the compiler
// inlines. Used in the processing worker thread.
#include <QtGlobal>
#include <string>
#include <string_view>
#include <vector>

class QIODevice;

class OSMXmlWriter
{
public:
    explicit OSMXmlWriter(QIODevice* device);
    ~OSMXmlWriter();
    OSMXmlWriter(const OSMXmlWriter&) = delete;
    OSMXmlWriter& operator=(const OSMXmlWriter&) = delete;

    void writeStartDocument();
    // Element names are plain ASCII literals that outlive the writer.
    void writeStartElement(const char* name);
    void writeEmptyElement(const char* name);
    // Attribute names and ASCII values that need no escaping (literals of the file).
    void writeAttribute(const char* name, const char* value);
    // A text held as UTF-8 bytes, escaped as QXmlStreamWriter escapes attribute values.
    void writeAttribute(const char* name, std::string_view utf8);
    // The same for a text of OpenStreetMap (a tag key or value, a role): OpenStreetMap
    // allows 255 characters there, and its readers refuse texts not much longer, so only
    // the bytes up to the 255th character are written.
    void writeTextAttribute(const char* name, std::string_view utf8);
    void writeAttribute(const char* name, qint64 value);
    // QString::number(value, 'f', 7).
    void writeCoordinateAttribute(const char* name, double value);
    void writeEndElement();
    void writeEndDocument();
    // Writes what is buffered to the device.
    void flush();
    // The bytes of `utf8` up to its 255th character, as writeTextAttribute() writes them.
    static std::size_t textLength(std::string_view utf8);
    // A write to the device failed, or a text held a character that XML cannot
    // carry (QXmlStreamWriter drops it and reports an error; so does this writer).
    bool hasError() const { return error; }

private:
    void beginElement(const char* name, bool empty);
    void closeStartTag();
    void newLine(std::size_t level);
    void writeEscaped(std::string_view utf8);
    // Appends the coordinate's digits when they can be computed exactly without Qt.
    bool appendCoordinate(double value);

    QIODevice* device; // not owned
    std::string buffer;
    std::vector<const char*> open; // names of the open elements, outermost first
    bool inStartTag = false;   // "<name attr..." written, its end not yet
    bool inEmptyElement = false;
    bool lastWasStartElement = false;
    bool error = false;
};

#endif
