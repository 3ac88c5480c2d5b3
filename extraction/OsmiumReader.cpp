#include "extraction/OsmiumReader.h"

#include "common/BoundingBox.h"
#include "extraction/NetworkKeepRules.h"
#include "extraction/OSMHandler.h"
#include "extraction/OsmiumConverter.h"
#include "extraction/PbfDescriptorWatch.h"

#include <QFile>
#include <QFileInfo>
#include <exception>
#include <mutex>
#include <string>

#include <osmium/io/any_compression.hpp>
#include <osmium/io/pbf_input.hpp>
#include <osmium/io/xml_input.hpp>
#include <osmium/osm/node.hpp>
#include <osmium/osm/relation.hpp>
#include <osmium/osm/way.hpp>
#include <osmium/thread/pool.hpp>

namespace {

// The file as libosmium reads it.
osmium::io::File file(const QString& path, OSMFileFormat::Kind format)
{
    const char* name = format == OSMFileFormat::Pbf ? "pbf"
        : format == OSMFileFormat::GzipXml          ? "osm.gz"
        : format == OSMFileFormat::Bzip2Xml         ? "osm.bz2"
                                                    : "osm";
    // libosmium reads the standard input for an empty name.
    if (path == QLatin1String("-"))
        return osmium::io::File(std::string(), name);
    // An absolute path: libosmium would hand a name that looks like a URL to curl.
    return osmium::io::File(QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString(), name);
}

// libosmium queues up to 20 blocks of the file and 20 decoded buffers each way ahead of the
// reader by default (sizes its environment variables can change). A block of ways decodes to a
// few MiB, and the network model takes entities more slowly than libosmium decodes them, so the
// queues would stay full: a few blocks ahead keep both threads busy at a fraction of the memory.
// The variables are set once, before the first reader, unless the environment sets them.
void limitQueues()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const char* name : {"OSMIUM_MAX_INPUT_QUEUE_SIZE", "OSMIUM_MAX_OSMDATA_QUEUE_SIZE"})
            if (!qEnvironmentVariableIsSet(name))
                qputenv(name, "4");
    });
}

osmium::osm_entity_bits::type entityBits(int kinds)
{
    osmium::osm_entity_bits::type bits = osmium::osm_entity_bits::nothing;
    if (kinds & OsmiumReader::Nodes)
        bits |= osmium::osm_entity_bits::node;
    if (kinds & OsmiumReader::Ways)
        bits |= osmium::osm_entity_bits::way;
    if (kinds & OsmiumReader::Relations)
        bits |= osmium::osm_entity_bits::relation;
    // Read only to tell a file of changesets alone.
    if (kinds == OsmiumReader::AllKinds)
        bits |= osmium::osm_entity_bits::changeset;
    return bits;
}

void tellBounds(const osmium::io::Header& header, const std::function<void(const BoundingBox&)>& bounds)
{
    const osmium::Box box = header.joined_boxes();
    if (box.valid())
        bounds(BoundingBox(box.bottom_left().lon(), box.bottom_left().lat(), box.top_right().lon(),
                           box.top_right().lat()));
}

} // namespace

namespace {

// The header of a PBF file, read alone; false when it cannot be read.
bool pbfHeader(const QString& path, osmium::io::Header& header)
{
    PbfDescriptorWatch watch(path);
    try {
        // Only the header block is read, in a thread of its own that ends with the call.
        osmium::thread::Pool pool(1);
        osmium::io::Reader reader(file(path, OSMFileFormat::Pbf), osmium::osm_entity_bits::nothing, pool);
        watch.readerOpened();
        header = reader.header();
        reader.close();
        return true;
    } catch (const std::exception&) {
        watch.closeLeft();
        return false;
    }
}

// Whether a PBF file's header says it holds history. The standard input cannot be looked at
// twice: it is taken to, which only costs the reading of its versions.
bool pbfHistory(const QString& path)
{
    if (path == QLatin1String("-"))
        return true;
    osmium::io::Header header;
    return pbfHeader(path, header) && header.has_multiple_object_versions();
}

// What the header says of the file, told the stage before any entity: a PBF of history, or XML
// that libosmium marks as holding several versions, which it does exactly when the root is
// osmChange. True when the file is refused for it.
bool refusedByHeader(const osmium::io::Header& header, OSMFileFormat::Kind format, CurrentObjects& stage)
{
    if (header.has_multiple_object_versions()) {
        if (format == OSMFileFormat::Pbf)
            stage.historyFile();
        else
            stage.refuseChange();
    }
    return stage.refused();
}

} // namespace

bool OsmiumReader::read(const QString& path, OSMFileFormat::Kind format, OSMHandler& handler, const Options& options,
                        QString* error)
{
    limitQueues();
    // A history PBF is read with what tells its versions apart and its deleted objects.
    const bool history = format == OSMFileFormat::Pbf && pbfHistory(path);
    const bool metadata = options.metadata || history;
    CurrentObjects stage(handler);
    PbfDescriptorWatch watch(path);
    try {
        OsmiumConverter converter(stage, options);
        osmium::thread::Pool pool;
        osmium::io::Reader reader(file(path, format), entityBits(options.kinds),
                                  metadata ? osmium::io::read_meta::yes : osmium::io::read_meta::no, pool);
        watch.readerOpened();
        bool headerKnown = false;
        while (osmium::memory::Buffer buffer = reader.read()) {
            // The header is known once the first buffer has come.
            if (!headerKnown) {
                headerKnown = true;
                if (options.bounds)
                    tellBounds(reader.header(), options.bounds);
                if (refusedByHeader(reader.header(), format, stage))
                    break;
            }
            for (const osmium::OSMEntity& entity : buffer)
                if (!stage.refused())
                    converter.entity(entity);
            if (stage.refused())
                break;
            // Counted ahead of the entities handed out (blocks are decoded in advance), which a
            // progress display does not mind.
            if (options.position)
                options.position(qint64(reader.offset()));
        }
        if (!headerKnown) {
            if (options.bounds)
                tellBounds(reader.header(), options.bounds);
            refusedByHeader(reader.header(), format, stage);
        }
        stage.finish();
        reader.close();
    } catch (const std::exception& e) {
        watch.closeLeft();
        stage.finish();
        if (options.done)
            options.done(stage);
        if (error)
            *error = QString::fromUtf8(e.what());
        return false;
    }
    if (options.done)
        options.done(stage);
    if (!stage.refused())
        return true;
    // Stopped before the end: libosmium leaves the file open then.
    watch.closeLeft();
    if (error)
        *error = stage.failureText();
    return false;
}

bool OsmiumReader::headerBox(const QString& path, BoundingBox& box)
{
    osmium::io::Header header;
    if (!pbfHeader(path, header))
        return false;
    const osmium::Box joined = header.joined_boxes();
    if (!joined.valid())
        return false;
    box = BoundingBox(joined.bottom_left().lon(), joined.bottom_left().lat(), joined.top_right().lon(),
                      joined.top_right().lat());
    return true;
}
