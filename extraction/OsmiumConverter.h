#ifndef EXTRACTION_OSMIUMCONVERTER_H
#define EXTRACTION_OSMIUMCONVERTER_H

// The step of the libosmium readers (PBF, compressed and network files) that turns libosmium's
// objects into the entities every handler takes, checked and converted as the XML reader checks
// and converts text. Used in the thread that reads.
#include "extraction/CurrentObjects.h"
#include "extraction/OSMEntity.h"
#include "extraction/OsmiumReader.h"

#include <string>

namespace osmium {
class Node;
class OSMEntity;
class OSMObject;
class Relation;
class Way;
} // namespace osmium

// One entity of libosmium's after another, converted as the XML reader converts text.
class OsmiumConverter
{
public:
    OsmiumConverter(CurrentObjects& handler, const OsmiumReader::Options& options);

    // Hands a node, way or relation that converts to the handler; tells it of a changeset.
    void entity(const osmium::OSMEntity& entity);

private:
    // A diagnostic line, where the options ask for them.
    void failed(const char* what, const std::string& text) const;
    // Version, visibility, tags and, where wanted, the metadata.
    void common(const osmium::OSMObject& object);
    // Each false when the entity is not wanted or does not convert.
    bool node(const osmium::Node& node);
    bool way(const osmium::Way& way);
    bool relation(const osmium::Relation& relation);

    CurrentObjects& handler;
    const OsmiumReader::Options& options;
    OSMEntity converted;
};

#endif
