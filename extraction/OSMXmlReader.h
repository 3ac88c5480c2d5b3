#ifndef EXTRACTION_OSMXMLREADER_H
#define EXTRACTION_OSMXMLREADER_H

// Reads the `node`, `way` and `relation` elements of OpenStreetMap XML from a QXmlStreamReader
// into entities and hands them to a handler: ids, positions, node references and member refs
// converted from their text (failures reported on the standard error stream when asked), tags,
// roles and, when asked, the version attributes as UTF-8 texts. Each element reader is called on
// its element's start tag and returns on its end tag, or at once, still on the start tag, when
// its attributes do not convert. Used in the thread that reads.
#include "extraction/CurrentObjects.h"
#include "extraction/OSMEntity.h"

#include <QLatin1String>
#include <QString>

class OSMHandler;
class QXmlStreamReader;

class OSMXmlReader
{
public:
    // `diagnostics`: conversion failures get a line each; `metadata`: the version attributes
    // are read. The reader must outlive this object.
    OSMXmlReader(QXmlStreamReader& reader, bool diagnostics, bool metadata = false);

    // Every node, way and relation that `handler` wants, wherever it stands in the document, up
    // to its end or its first error, as data of today (see CurrentObjects). A document whose root
    // is osmChange is refused, and so is the rest of a history file out of order.
    void read(OSMHandler& handler);
    // After read(): what the file held, and the sentence for the log when it was refused.
    CurrentObjects::Content content() const { return fileContent; }
    QString refusalText() const { return refusal; }

    // The element on whose start tag the reader stands, into `entity`. False when its
    // attributes do not convert, when `handler` (if given) does not want it (the element is then
    // passed over to its end tag), or when the document ends or breaks before its end tag.
    bool readNode(OSMEntity& entity, const OSMHandler* handler = nullptr);
    bool readWay(OSMEntity& entity, const OSMHandler* handler = nullptr);
    bool readRelation(OSMEntity& entity, const OSMHandler* handler = nullptr);

private:
    // The attributes of a node, way or relation start tag that are read.
    enum Attribute { Id, Lat, Lon, Version, Changeset, Timestamp, User, Uid, Visible, Action, attributeCount };
    struct Attributes;

    void readAttributes(Attributes& attributes) const;
    // A <bounds> element that gives a valid box hands it to the handler.
    void readBounds(OSMHandler& handler) const;
    void takeCommon(const Attributes& attributes, OSMEntity& entity) const;
    bool wanted(const OSMHandler* handler, OSMEntity::Kind kind, bool converted, qint64 id);
    // The children up to the element's end tag; false when the document ends or breaks first.
    bool readChildren(QLatin1String name, OSMEntity& entity);
    void skip(QLatin1String name);

    QXmlStreamReader& reader;
    bool diagnostics;
    bool metadata;
    OSMEntity entity; // refilled for each element read()
    CurrentObjects::Content fileContent = CurrentObjects::Content::Data;
    QString refusal;
};

#endif
