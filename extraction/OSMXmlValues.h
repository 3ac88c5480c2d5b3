#ifndef EXTRACTION_OSMXMLVALUES_H
#define EXTRACTION_OSMXMLVALUES_H

// The values of OpenStreetMap XML as the XML reader takes them into an entity: ids and positions
// converted from their text, texts as UTF-8, and the children of an element (tags, node
// references, members), with a diagnostic line for a number that does not convert when asked.
// Used in the thread that reads.
#include "extraction/OSMEntity.h"

#include <QStringRef>

class QXmlStreamReader;

class OSMXmlValues
{
public:
    // A node or relation id, or a reference (C-locale decimal, within NetworkKeepRules::isId).
    static bool toId(const QStringRef& text, qint64& id);
    // A latitude or longitude on Earth.
    static bool toCoordinate(const QStringRef& text, bool latitude, double& value);
    // Appends the text to the entity's store as UTF-8.
    static OSMEntity::Text addUtf8(OSMEntity& entity, const QStringRef& text);
    // "OSMParser: " and `what`, then the text as read, when `diagnostics` is set.
    static void conversionFailed(bool diagnostics, const char* what, const QStringRef& text);

    // The child element on whose start tag the reader stands. A tag without k or v, an nd
    // without ref and a member without type or ref are passed over; a ref that does not convert
    // is reported and passed over.
    static void readTag(const QXmlStreamReader& reader, OSMEntity& entity);
    static void readNd(const QXmlStreamReader& reader, OSMEntity& entity, bool diagnostics);
    static void readMember(const QXmlStreamReader& reader, OSMEntity& entity, bool diagnostics);
};

#endif
