#ifndef EXTRACTION_OSMXMLATTRIBUTES_H
#define EXTRACTION_OSMXMLATTRIBUTES_H

// The element names of OpenStreetMap XML and the conversion of an element's
// attributes (ids, positions, tags, refs), shared by the element readers and the
// scan of a clipped file so that both read an element alike. Conversion failures are
// reported through NetworkKeepRules when `report` is set. Used in the processing
// worker thread.
#include <QLatin1String>
#include <QStringRef>
#include <QXmlStreamReader>
#include <QtGlobal>
#include <cstddef>

class OSMXmlAttributes
{
public:
    static const QLatin1String nodeName;
    static const QLatin1String wayName;
    static const QLatin1String relationName;
    static const QLatin1String tagName;
    static const QLatin1String ndName;
    static const QLatin1String memberName;

    // The values of the named attributes of the current element, found in one pass
    // over its attribute list. As with QXmlStreamAttributes::value(), names are
    // qualified names and the first attribute of a name counts; `found` tells which
    // were present. The values point into the reader's own attribute storage (the
    // local list is only a shared copy of it), so they stay valid until the reader
    // moves on. No attribute list may be kept across readNext(): while a copy shares
    // the reader's list, the reader has to copy it for every following token.
    template <std::size_t N>
    static void values(const QXmlStreamReader& reader, const QLatin1String (&names)[N], QStringRef (&values)[N],
                       bool (&found)[N]);

    // The k and v attributes of a tag; false unless both are present.
    static bool tag(const QXmlStreamReader& reader, QStringRef& k, QStringRef& v);
    // True when the reader stands on the end tag of `name`; false, with `cut` set,
    // when the document ended or broke before it.
    static bool atEndOf(const QXmlStreamReader& reader, QLatin1String name, bool& cut);
    static bool toId(const QStringRef& text, qint64& id);
    // A node's position and id, converted in this order; only the first failure is
    // reported.
    static bool node(const QXmlStreamReader& reader, double& lat, double& lon, qint64& id, bool report);
    // The id a way is read with: the number truncated to an integer, 0 when the
    // attribute is absent or does not convert. A way is never dropped for its id.
    static qint64 wayId(const QXmlStreamReader& reader, bool report);
    static bool relationId(const QXmlStreamReader& reader, qint64& id, bool report);
    // An nd's ref; false when it is absent or, reported when `report` is set, not an id (a way
    // never gains a node that is not its own).
    static bool ndRef(const QXmlStreamReader& reader, qint64& ref, bool report);
    static void conversionFailed(const char* what, const QStringRef& text);
};

template <std::size_t N>
void OSMXmlAttributes::values(const QXmlStreamReader& reader, const QLatin1String (&names)[N],
                              QStringRef (&values)[N], bool (&found)[N])
{
    for (bool& f : found)
        f = false;
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringRef name = attribute.qualifiedName();
        for (std::size_t i = 0; i < N; ++i) {
            if (!found[i] && name == names[i]) {
                values[i] = attribute.value();
                found[i] = true;
                break;
            }
        }
    }
}

#endif
