#ifndef EXTRACTION_XMLOUTPUTBUFFER_H
#define EXTRACTION_XMLOUTPUTBUFFER_H

// The bytes of an XML document on their way to a device: appends that the compiler inlines (a
// copy and a count; room is made in large steps), attribute values escaped as QXmlStreamWriter
// escapes them, and numbers formatted in place as Qt formats them. Used by OSMXmlWriter, in the
// thread that writes.
#include <QtGlobal>
#include <cstring>
#include <memory>
#include <string_view>

class XmlOutputBuffer
{
public:
    explicit XmlOutputBuffer(std::size_t capacity);

    const char* data() const { return bytes.get(); }
    std::size_t size() const { return used; }
    bool empty() const { return used == 0; }
    void clear() { used = 0; }

    void append(std::string_view text)
    {
        std::memcpy(room(text.size()), text.data(), text.size());
        used += text.size();
    }
    void append(char c)
    {
        *room(1) = c;
        ++used;
    }
    void appendSpaces(std::size_t count)
    {
        std::memset(room(count), ' ', count);
        used += count;
    }
    // A text held as UTF-8, escaped for an attribute value. False when it held a character that
    // XML cannot carry, which is dropped (as QXmlStreamWriter drops it and reports an error).
    bool appendEscaped(std::string_view utf8);
    void appendNumber(qint64 value);
    // As QString::number(value, 'f', 7).
    void appendCoordinate(double value);

private:
    char* room(std::size_t more)
    {
        if (more > capacity - used)
            grow(used + more);
        return bytes.get() + used;
    }
    void grow(std::size_t needed);
    bool appendEscapedAsQt(std::string_view utf8);
    // Appends the coordinate's digits when they can be computed exactly without Qt.
    bool appendExactCoordinate(double value);

    std::unique_ptr<char[]> bytes;
    std::size_t used = 0;
    std::size_t capacity = 0;
};

#endif
